#include "server_book_fixture.h"

#include "services/db/detail/name_order.h"
#include "services/db/record_set.h"
#include "support/address_book_copy.h"
#include "support/contact_book.h"

#include <algorithm>

namespace {

// Every name of 通讯录 in the order "select * from 通讯录 order by 姓名" gives.
std::vector<std::string> namesInOrder(DBConnection& book) {
    std::vector<std::string> names;
    RecordSet contacts;
    if (!contacts.SetConnection(book) || !contacts.OpenTable(ContactsTable(), ContactsByName())) return names;
    for (int i = 0; i < contacts.RecordCount(); ++i) names.push_back(contacts.ReadTextAt(i, T("姓名")).toUtf8());
    return names;
}

// A test name list with each name once, and how the server orders it.
struct Compared {
    std::vector<std::string> local;   // the program's name order
    std::vector<std::string> server;  // the server's
    // Neighbours in the server's order that the program orders the other way.
    std::vector<std::pair<std::string, std::string>> inverted;
};

Compared compare(const ServerDatabase& db, DBConnection& server, std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(db.psql("delete from 通讯录; insert into 通讯录 (姓名) values " + SqlNameRows(names)), "");
    Compared out;
    out.local = names;
    std::stable_sort(out.local.begin(), out.local.end(),
                     [](const std::string& a, const std::string& b) { return dbdetail::CompareNames(a, b) < 0; });
    out.server = namesInOrder(server);
    for (std::size_t i = 1; i < out.server.size(); ++i)
        if (dbdetail::CompareNames(out.server[i - 1], out.server[i]) > 0)
            out.inverted.emplace_back(out.server[i - 1], out.server[i]);
    return out;
}

std::string firstInversions(const Compared& c) {
    std::string out = std::to_string(c.inverted.size()) + " inversions, e.g.";
    for (std::size_t i = 0; i < c.inverted.size() && i < 12; ++i)
        out += " " + c.inverted[i].first + ">" + c.inverted[i].second;
    return out;
}

class ServerNameOrder : public ServerBookFixture {
protected:
    DBConnection& server = book;
};

}  // namespace

// The book file's list of a realistic book (the generator's names), read
// from the file in its name order, and the same names on the server.
TEST_F(ServerNameOrder, RealisticNamesOrderAsInTheBookFile) {
    AddressBookCopy local;
    ContactBookShape shape;
    shape.contacts = 2000;
    shape.photoShare = 0;
    std::string error;
    ASSERT_TRUE(FillContactBook(local.path(), shape, &error)) << error;
    DBConnection file;
    ASSERT_TRUE(file.ConnectAccess(local.pathText()));
    const std::vector<std::string> fileOrder = namesInOrder(file);
    ASSERT_EQ(fileOrder.size(), 2000u);
    const Compared c = compare(db, server, fileOrder);
    std::vector<std::string> distinctFileOrder;
    for (const auto& name : fileOrder)
        if (distinctFileOrder.empty() || distinctFileOrder.back() != name) distinctFileOrder.push_back(name);
    EXPECT_EQ(c.local, distinctFileOrder);
    EXPECT_EQ(c.server, c.local) << firstInversions(c);
}

// Every GB2312 character as a one-character name, and Latin and digit names.
TEST_F(ServerNameOrder, EveryGb2312CharacterAndLatinNamesOrderAsInTheBookFile) {
    std::vector<std::string> names;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            if (lead == 0xD7 && trail >= 0xFA) continue;  // unassigned
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            names.push_back(Text::fromBytes(bytes, 2).toUtf8());
        }
    }
    ASSERT_EQ(names.size(), 6763u);
    const Compared hanzi = compare(db, server, names);
    EXPECT_EQ(hanzi.server, hanzi.local) << firstInversions(hanzi);

    const Compared latin = compare(
        db, server, {"amy", "Amy", "AMY",   "amy2", "Amy 李", "bob",   "Bob", "b",  "B",       "a",      "A", "1",
                     "10",  "2",   "1号楼", "Zoe",  "zoe2",   "李Amy", "李1", "李", "O'Brien", "obrien", "Ob"});
    EXPECT_EQ(latin.server, latin.local) << firstInversions(latin);
    for (std::size_t i = 0; i < latin.server.size(); ++i) EXPECT_EQ(latin.server[i], latin.local[i]) << i;
}
