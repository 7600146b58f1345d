#include "support/server_database.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QUuid>
#include <fstream>

namespace {

std::string field(const std::string& connection, const std::string& key) {
    const auto at = connection.find(";" + key + "=");
    if (at == std::string::npos) return {};
    const auto from = at + key.size() + 2;
    return connection.substr(from, connection.find(';', from) - from);
}

std::string withDatabase(const std::string& connection, const std::string& database) {
    const std::string key = ";Database=";
    const auto at = connection.find(key);
    const auto end = connection.find(';', at + key.size());
    return connection.substr(0, at + key.size()) + database +
           (end == std::string::npos ? std::string() : connection.substr(end));
}

}  // namespace

ServerDatabase::ServerDatabase() {
    std::ifstream in(VARELO_TEST_SERVER_FILE);
    std::getline(in, server_);
    if (server_.empty()) {
        ADD_FAILURE() << "no test server: " << VARELO_TEST_SERVER_FILE
                      << " is missing (ctest starts the server with the test pg_server_start)";
        return;
    }
    name_ = "book_" + QUuid::createUuid().toString(QUuid::Id128).left(12).toStdString();
    const std::string made = psqlOn("postgres", "CREATE DATABASE " + name_ + " ENCODING 'UTF8'");
    if (made.rfind("ERROR", 0) == 0) {
        ADD_FAILURE() << "cannot create a test database: " << made;
        return;
    }
    connection_ = withDatabase(server_, name_);
}

ServerDatabase::~ServerDatabase() {
    if (!connection_.empty()) psqlOn("postgres", "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

std::string ServerDatabase::connectionTo(const std::string& database) const { return withDatabase(server_, database); }

std::string ServerDatabase::psql(const std::string& sql) const { return psqlOn(name_, sql); }

std::string ServerDatabase::psqlOn(const std::string& database, const std::string& sql) const {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("PGPASSWORD", QString::fromStdString(field(server_, "Pwd")));
    p.setProcessEnvironment(env);
    p.start("psql",
            {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", QString::fromStdString(field(server_, "Server")),
             "-p", QString::fromStdString(field(server_, "Port")), "-U", QString::fromStdString(field(server_, "Uid")),
             "-d", QString::fromStdString(database), "-c", QString::fromStdString(sql)});
    if (!p.waitForFinished(60000)) return "ERROR: psql did not finish";
    std::string out = p.readAllStandardOutput().toStdString();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return "ERROR: " + p.readAllStandardError().toStdString();
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}
