#include "services/db/db_connection.h"

#include "services/db/detail/pg_dialect.h"
#include "services/db/detail/source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

using dbdetail::ErrorEntry;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string trimmed(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

// "key=value; key={value; with semicolons}; ..." as lower-case keys and values.
std::map<std::string, std::string> connectionFields(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t eq = text.find_first_of("=;", i);
        if (eq == std::string::npos || text[eq] == ';') {
            i = eq == std::string::npos ? text.size() : eq + 1;
            continue;
        }
        std::string key = lower(trimmed(text.substr(i, eq - i)));
        std::size_t v = eq + 1;
        while (v < text.size() && text[v] == ' ') ++v;
        std::string value;
        if (v < text.size() && text[v] == '{') {
            std::size_t close = text.find('}', v);
            if (close == std::string::npos) close = text.size();
            value = text.substr(v + 1, close - v - 1);
            i = text.find(';', close);
        } else {
            i = text.find(';', v);
            value = trimmed(text.substr(v, i == std::string::npos ? std::string::npos : i - v));
        }
        fields[key] = value;
        i = i == std::string::npos ? text.size() : i + 1;
    }
    return fields;
}

std::shared_ptr<dbdetail::Source> openSource(const std::string& text, std::vector<ErrorEntry>& errors) {
    auto fields = connectionFields(text);
    if (fields.count("provider")) {
        std::string provider = lower(fields["provider"]);
        if (provider.find("jet.oledb") == std::string::npos && provider.find("ace.oledb") == std::string::npos) {
            errors.push_back({"Provider cannot be found: " + fields["provider"], "", 0, "DBConnection"});
            return nullptr;
        }
        // The password clause is accepted; the SQLite file carries no password.
        return dbdetail::OpenSqliteFile(fields["data source"], errors);
    }
    const bool odbcPrefix = lower(text.substr(0, 5)) == "odbc;";
    bool odbc = odbcPrefix || fields.count("dsn") || fields.count("driver") || fields.count("filedsn");
    if (!odbc) {
        errors.push_back({"The connection text names no provider, DSN or driver.", "", 0, "DBConnection"});
        return nullptr;
    }
    if (lower(fields["driver"]).find("microsoft excel driver") != std::string::npos)
        return dbdetail::OpenWorkbook(fields["dbq"], errors);
    return dbdetail::OpenOdbc(odbcPrefix ? text.substr(5) : text, errors);
}

// The password of the connection text never shows: drivers echo the text.
Text errorText(const std::vector<ErrorEntry>& errors, const std::set<std::string>& secrets) {
    std::string out;
    for (const auto& e : errors) {
        out += "Description: " + e.description + "\r\nState: " + e.state + ", Native: " + std::to_string(e.native) +
               ", Source: " + e.source + "\r\n";
    }
    return Text::fromUtf8(dbdetail::MaskedPasswords(out, secrets));
}

}  // namespace

DBConnection::DBConnection() = default;

DBConnection::~DBConnection() { CloseConnection(); }

bool DBConnection::ConnectAccess(const Text& fileName, const Text& password) {
    Text text = Text::fromBytes("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + fileName;
    if (!password.empty()) text += Text::fromBytes(";Jet OLEDB:Database Password=") + password + Text::fromBytes(";");
    return Connect(text);
}

bool DBConnection::Connect(const Text& connectionText) {
    std::lock_guard lock(mutex_);
    if (!connectionText.empty()) connectionText_ = connectionText;
    if (connectionText_.empty()) return false;
    source_.reset();
    openErrors_.clear();
    // The file names a connection text holds reach the file system as their own bytes.
    source_ = openSource(connectionText_.toFileSystem(), openErrors_);
    return source_ != nullptr;
}

bool DBConnection::CloseConnection() {
    std::lock_guard lock(mutex_);
    source_.reset();
    return true;
}

bool DBConnection::ExecuteSql(const Text& sql) {
    auto s = source();
    if (!s) return false;
    return s->execute(sql.toUtf8(), {}) >= 0;
}

bool DBConnection::KeepStoredOrder(const Text& table, const Text& column) {
    auto s = source();
    return s && !s->readOnly() && s->keepStoredOrder(table.toUtf8(), column.toUtf8());
}

bool DBConnection::BeginTrans() {
    auto s = source();
    return s && !s->readOnly() && s->beginTransaction();
}

bool DBConnection::CommitTrans() {
    auto s = source();
    if (!s || s->readOnly()) return false;
    if (s->commitTransaction()) return true;
    // A commit that failed (another program reading the file past the busy
    // wait, a full disk) may leave the transaction open; every later write
    // would then land in it and be lost with it. Its writes are dropped now,
    // and ErrorText keeps the commit's reason, not the rollback's.
    const auto why = s->errors();
    if (s->inTransaction()) s->rollbackTransaction();
    s->setErrors(why);
    return false;
}

bool DBConnection::RollbackTrans() {
    auto s = source();
    return s && !s->readOnly() && s->rollbackTransaction();
}

Text DBConnection::ErrorText() const {
    std::lock_guard lock(mutex_);
    return errorText(source_ ? source_->errors() : openErrors_, dbdetail::PasswordsOf(connectionText_.toUtf8()));
}

bool DBConnection::IsConnected() const { return source() != nullptr; }

Text DBConnection::ProviderName() const {
    auto s = source();
    return s ? Text::fromUtf8(s->providerName()) : Text();
}

Text DBConnection::DatabaseSystem() const {
    auto s = source();
    return s ? Text::fromUtf8(s->databaseSystem()) : Text();
}

Text DBConnection::ProviderVersion() const {
    auto s = source();
    return s ? Text::fromUtf8(s->providerVersion()) : Text();
}

std::shared_ptr<dbdetail::Source> DBConnection::source() const {
    std::lock_guard lock(mutex_);
    return source_;
}
