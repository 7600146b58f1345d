#include "test_book.h"

#include "attribution/carrier.h"
#include "services/db/record_set.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

}  // namespace

void TestBook::addContacts(const std::vector<Contact>& contacts) {
    std::vector<ContactColumns> rows;
    for (const auto& c : contacts) {
        rows.push_back({{"姓名", c.name}, {"手机", c.number}});
        if (!c.attribution.empty()) rows.back()["归属地"] = c.attribution;
    }
    AddContacts(path(), rows);
}

void TestBook::replaceSegments(const std::vector<std::pair<std::string, std::string>>& segments) {
    std::string sql = "BEGIN; DELETE FROM 所属网络;";
    for (const auto& [segment, carrier] : segments)
        sql += "INSERT INTO 所属网络 (手机号, 运营商) VALUES (" + quoted(segment) + ", " + quoted(carrier) + ");";
    ExecOnBook(path(), sql + "COMMIT;");
}

void TestBook::refuseChangesTo(const std::string& name) {
    ExecOnBook(path(), "CREATE TRIGGER refuse_" + std::to_string(std::hash<std::string>()(name) % 100000) +
                           " BEFORE UPDATE ON 通讯录 WHEN OLD.姓名 = " + quoted(name) +
                           " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
}

std::string TestBook::storedAttribution(const std::string& name) const {
    for (const StoredContact& contact : StoredContacts(path()))
        if (contact["姓名"] == name) return contact["归属地"];
    return {};
}

DBConnection& TestBook::connection() {
    if (!connected_) {
        connected_ = connection_.ConnectAccess(book_.pathText());
        EXPECT_TRUE(connected_) << connection_.ErrorText().toUtf8();
    }
    return connection_;
}

const CarrierSegments& DeliveredSegments() {
    static TestBook book;
    static RecordSet carriers;
    static const CarrierSegments segments = [] {
        carriers.SetConnection(book.connection());
        return CarrierSegments::read(carriers);
    }();
    return segments;
}
