// vCard import and export against an independent reader and writer
// (python3-vobject): cards it writes in 2.1 (quoted-printable), 3.0 and 4.0
// arrive field for field; every card exported parses in it with the same
// values; an export of many contacts with photos comes back unchanged.

#include "transfer/vcard.h"
#include "transfer/exchange.h"
#include "transfer/exchange_support.h"

#include "contacts/initials.h"
#include "transfer/exchange_text.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

std::string B64(const Bytes& b) { return Base64Encoded(b); }

QJsonArray ParsedByVobject(const std::string& file) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(RunPython({VobjectScript(), "read", file}))).array();
}

std::string Value(const QJsonObject& card, const char* name, int i = 0) {
    const QJsonArray lines = card.value(name).toArray();
    if (i >= lines.size()) return "<none>";
    const QJsonValue v = lines[i].toObject().value("value");
    if (v.isArray()) {
        std::string joined;
        for (const auto& part : v.toArray()) joined += (joined.empty() ? "" : "|") + part.toString().toStdString();
        return joined;
    }
    return v.toString().toStdString();
}

class VCardTest : public ExchangeTest {
protected:
    void SetUp() override {
        ExchangeTest::SetUp();
        if (!VobjectAvailable()) GTEST_SKIP() << "/usr/bin/python3 cannot import vobject";
    }
    ExchangeReport import(const std::string& path) {
        return ImportContactsFile(connection_, path, ExchangeFormat::VCard);
    }
    ExchangeReport exportAll(const std::string& path) {
        return ExportContactsFile(connection_, Text::fromUtf8("select * from 通讯录 order by 编号"), path,
                                  ExchangeFormat::VCard);
    }
};

class VobjectCards : public VCardTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(VobjectCards, ImportFieldForField) {
    const Bytes photo = JpegPicture(3);
    const std::string contacts = R"([
      {"fn": "欧阳明日", "family": "欧阳", "given": "明日", "cell": ["+86 138-0013-8000", "13900139000"],
       "home": ["010-66668888 ext 801"], "email": "oy@example.com", "street": "中关村大街1号",
       "locality": "海淀区", "region": "北京市", "bday": "1980-01-06", "note": "第一行\n第二行",
       "categories": ["同学", "朋友"], "qq": ["10001", "10002"], "gender": "F", "photo": ")" +
                                 B64(photo) + R"("},
      {"family": "Smith", "given": "John", "home": ["+1 555 0100"], "email": "js@example.com"}
    ])";
    const std::string path = file("cards.vcf");
    RunPython({VobjectScript(), "write", GetParam(), path}, contacts);
    ASSERT_EQ(ParsedByVobject(path).size(), 2);  // vobject reads back what it wrote

    const ExchangeReport report = import(path);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.message().toUtf8(), "共 2 条记录\r\n已存在 0 条记录\r\n成功添加 2 条记录");
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    const StoredContact& a = rows[0];
    ExpectColumns(a, {{"姓名", "欧阳明日"},
                      {"首字母", NameInitials(Text::fromUtf8("欧阳明日"), 3).toUtf8()},
                      {"手机", "13800138000"},
                      {"手机备", "13900139000"},
                      {"座机", "010-66668888"},
                      {"分机", "801"},
                      {"邮箱", "oy@example.com"},
                      {"地址", "北京市海淀区中关村大街1号"},
                      {"备注", "第一行\r\n第二行"},
                      {"分组", "同学"},
                      {"QQ", "10001"},
                      {"QQ备", "10002"},
                      {"性别", "女"}});
    EXPECT_EQ(a["生日"].substr(0, 10), "1980-01-06");
    EXPECT_EQ(a.photo, photo);
    const StoredContact& b = rows[1];
    ExpectColumns(b, {{"姓名", "John Smith"}, {"座机", "+1 555 0100"}, {"邮箱", "js@example.com"}});
    EXPECT_FALSE(b.has("手机"));
    EXPECT_TRUE(b.photo.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, VobjectCards, ::testing::Values("2.1", "3.0", "4.0"),
                         [](const auto& info) { return "v" + info.param.substr(0, 1); });

// What phones write that vobject does not: bare 2.1 parameters, soft line
// breaks, a GB2312 charset, grouped properties, escapes, a fold inside a
// character, a photo folded over lines.
TEST_F(VCardTest, PhoneWrittenCardsOfEveryKindInOneFile) {
    const std::string photo = B64(JpegPicture(5));
    std::string photoLines;
    for (std::size_t i = 0; i < photo.size(); i += 60) photoLines += " " + photo.substr(i, 60) + "\r\n";
    const std::string gbkName = "\xC0\xEE\xCB\xC4";  // 李四 in GB2312, quoted-printable below
    const std::string card21 =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=C0=EE;=CB=C4;;;\r\n"
        "FN;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=C0=EE=CB=C4\r\n"
        "TEL;CELL;VOICE:139-1234-5678\r\n"
        "TEL;WORK;VOICE:021-55556666x12\r\n"
        "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=AC=AC=E4=B8=80=E8=A1=8C=0D=0A=\r\n"
        "=E7=AC=AC=E4=BA=8C=E8=A1=8C\r\n"
        "PHOTO;ENCODING=BASE64;JPEG:\r\n" +
        photoLines +
        "\r\n"
        "END:VCARD\r\n";
    // "王五" with the fold between the second and third byte of 五.
    const std::string card30 =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王\xE4\xBA\r\n \x94\r\n"
        "item1.TEL;type=\"CELL,VOICE\":13700137000\r\nitem1.X-ABLabel:mobile\r\n"
        "ADR;TYPE=home:;;Room 1\\, Building 2;Beijing;;100000;China\r\n"
        "CATEGORIES:Work\\,Friends,Other\r\nX-QQ:555\r\nEND:VCARD\r\n";
    const std::string card40 =
        "BEGIN:VCARD\nVERSION:4.0\nFN:赵六\nTEL;VALUE=uri;TYPE=\"voice,cell\":tel:+86-136-0000-1111\n"
        "IMPP:qq:777\nGENDER:M\nBDAY:19900203\nEND:VCARD\n";
    WriteFileBytes(file("phone.vcf"), card21 + card30 + card40);
    (void)gbkName;

    const ExchangeReport report = import(file("phone.vcf"));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.counts.added, 3) << report.message().toUtf8();
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 3u);
    ExpectColumns(rows[0], {{"姓名", "李四"},
                            {"手机", "13912345678"},
                            {"座机", "021-55556666"},
                            {"分机", "12"},
                            {"备注", "第一行\r\n第二行"}});
    EXPECT_EQ(Base64Encoded(rows[0].photo), photo);
    ExpectColumns(rows[1], {{"姓名", "王五"},
                            {"手机", "13700137000"},
                            {"地址", "Room 1, Building 2, Beijing 100000, China"},
                            {"分组", "Work,Friends"},
                            {"QQ", "555"}});
    ExpectColumns(rows[2], {{"姓名", "赵六"}, {"手机", "13600001111"}, {"QQ", "777"}, {"性别", "男"}});
    EXPECT_EQ(rows[2]["生日"].substr(0, 10), "1990-02-03");
}

std::vector<ContactColumns> FullContacts(int count) {
    const char* names[] = {"张三", "欧阳明日", "曾小贤", "O'Brien, Pat", "司马光", "李四;王五"};
    std::vector<ContactColumns> out;
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(names[i % 6]) + std::to_string(i);
        out.push_back({{"姓名", name},
                       {"手机", std::to_string(13800000000LL + i)},
                       {"首字母", NameInitials(Text::fromUtf8(name), 3).toUtf8()},
                       {"手机备", std::to_string(13900000000LL + i)},
                       {"QQ", std::to_string(10000 + i)},
                       {"QQ备", std::to_string(20000 + i)},
                       {"邮箱", "p" + std::to_string(i) + "@example.com"},
                       {"分组", i % 2 ? "同学" : "朋友,家人"},
                       {"座机", "010-6666" + std::to_string(1000 + i % 9000)},
                       {"分机", std::to_string(i % 1000)},
                       {"地址", "北京市海淀区\"中关村\";1号, 楼\\2"},
                       {"籍贯", "河北"},
                       {"生日", "1980-01-06 00:00:00"},
                       {"备注", "第一行\r\n第二行：很长的备注" + std::string(i % 7 * 20, 'x')},
                       {"归属地", "北京移动"},
                       {"性别", i % 2 ? "男" : "女"}});
        // An empty text is stored as NULL, as the book stores it.
        if (out.back()["首字母"].empty()) out.back().erase("首字母");
    }
    return out;
}

TEST_F(VCardTest, EveryExportedCardParsesInVobjectWithTheSameValues) {
    auto contacts = FullContacts(6);
    AddContacts(book_.path(), contacts);
    const Bytes jpeg = JpegPicture(1);
    ExecOnBook(book_.path(),
               "update 通讯录 set 照片 = x'" +
                   QByteArray(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()).toHex().toStdString() +
                   "' where 编号 = 1");
    const Bytes bmp = BmpPicture(2);
    ExecOnBook(book_.path(),
               "update 通讯录 set 照片 = x'" +
                   QByteArray(reinterpret_cast<const char*>(bmp.data()), bmp.size()).toHex().toStdString() +
                   "' where 编号 = 2");
    const ExchangeReport report = exportAll(file("out.vcf"));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.message().toUtf8(), "共导出 6 条记录");

    const std::string text = FileBytes(file("out.vcf"));
    // CRLF line ends and lines of at most 75 bytes.
    std::size_t start = 0, longest = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        longest = std::max(longest, at - start);
    EXPECT_LE(longest, 75u);
    EXPECT_EQ(text.find('\n', 0), text.find("\r\n") + 1);

    const QJsonArray cards = ParsedByVobject(file("out.vcf"));
    ASSERT_EQ(cards.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const QJsonObject card = cards[i].toObject();
        const ContactColumns& c = contacts[static_cast<std::size_t>(i)];
        EXPECT_EQ(Value(card, "VERSION"), "3.0");
        EXPECT_EQ(Value(card, "FN"), c.at("姓名"));
        EXPECT_EQ(Value(card, "TEL", 0), c.at("手机"));
        EXPECT_EQ(Value(card, "TEL", 1), c.at("手机备"));
        EXPECT_EQ(Value(card, "TEL", 2), c.at("座机") + " ext " + c.at("分机"));
        EXPECT_EQ(Value(card, "EMAIL"), c.at("邮箱"));
        EXPECT_EQ(card.value("ADR")
                      .toArray()[0]
                      .toObject()
                      .value("value")
                      .toObject()
                      .value("street")
                      .toString()
                      .toStdString(),
                  c.at("地址"));
        EXPECT_EQ(Value(card, "BDAY"), "1980-01-06");
        std::string note = c.at("备注");
        note.replace(note.find("\r\n"), 2, "\n");
        EXPECT_EQ(Value(card, "NOTE"), note);
        EXPECT_EQ(Value(card, "CATEGORIES"), c.at("分组") == "朋友,家人" ? "朋友,家人" : "同学");
        EXPECT_EQ(Value(card, "X-QQ", 0), c.at("QQ"));
        EXPECT_EQ(Value(card, "X-QQ", 1), c.at("QQ备"));
        EXPECT_EQ(Value(card, "X-GENDER"), c.at("性别"));
        EXPECT_EQ(Value(card, "X-VARELO-HOMETOWN"), "河北");
        EXPECT_EQ(Value(card, "X-VARELO-ATTRIBUTION"), "北京移动");
    }
    // The phonetic names: compound and surname readings from the pinyin table.
    EXPECT_EQ(Value(cards[0].toObject(), "X-PHONETIC-LAST-NAME"), "Zhang");
    EXPECT_EQ(Value(cards[0].toObject(), "X-PHONETIC-FIRST-NAME"), "<none>");  // "三0": a digit has no reading
    EXPECT_EQ(Value(cards[1].toObject(), "X-PHONETIC-LAST-NAME"), "Ouyang");
    EXPECT_EQ(
        cards[1].toObject().value("N").toArray()[0].toObject().value("value").toObject().value("family").toString(),
        "欧阳");
    EXPECT_EQ(Value(cards[2].toObject(), "X-PHONETIC-LAST-NAME"), "Zeng");
    EXPECT_EQ(Value(cards[4].toObject(), "X-PHONETIC-LAST-NAME"), "Sima");
    EXPECT_EQ(Value(cards[3].toObject(), "X-PHONETIC-LAST-NAME"), "<none>");
    // Photos: a stored JPEG as it is; a BMP converted to JPEG; none where none.
    EXPECT_EQ(Value(cards[0].toObject(), "PHOTO"), B64(jpeg));
    const auto converted = Base64Decoded(Value(cards[1].toObject(), "PHOTO"));
    ASSERT_TRUE(converted && converted->size() > 3);
    EXPECT_EQ((*converted)[0], 0xFF);
    EXPECT_EQ((*converted)[1], 0xD8);
    EXPECT_EQ(Value(cards[2].toObject(), "PHOTO"), "<none>");
}

TEST(PhoneticNames, GivenNamesAndSurnamesFromThePinyinTable) {
    EXPECT_EQ(FamilyNameOf("欧阳明日"), "欧阳");
    EXPECT_EQ(FamilyNameOf("司马"), "司");  // a two-character name is family and given name
    EXPECT_EQ(FamilyNameOf("诸葛亮"), "诸葛");
    EXPECT_EQ(FamilyNameOf("John"), "");
    EXPECT_EQ(PhoneticOf("明日", false), "Mingri");
    EXPECT_EQ(PhoneticOf("单", true), "Shan");
    EXPECT_EQ(PhoneticOf("曾", true), "Zeng");
    EXPECT_EQ(PhoneticOf("张", true), "Zhang");
}

TEST_F(VCardTest, TenThousandContactsWithPhotosComeBackUnchangedIntoAnEmptyBook) {
    auto contacts = FullContacts(10000);
    AddContacts(book_.path(), contacts);
    std::string photos = "begin;";
    for (int i = 1; i <= 10000; i += 20) {
        const Bytes jpeg = JpegPicture(i);
        photos += "update 通讯录 set 照片 = x'" +
                  QByteArray(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()).toHex().toStdString() +
                  "' where 编号 = " + std::to_string(i) + ";";
    }
    ExecOnBook(book_.path(), photos + "commit;");
    const auto before = stored();
    ASSERT_TRUE(exportAll(file("all.vcf")).ok);
    // (The cards' form is checked against vobject above; here their number.)
    const std::string all = FileBytes(file("all.vcf"));
    std::size_t cards = 0;
    for (std::size_t at = 0; (at = all.find("BEGIN:VCARD\r\n", at)) != std::string::npos; ++at) ++cards;
    EXPECT_EQ(cards, 10000u);

    AddressBookCopy empty;
    DBConnection other;
    ASSERT_TRUE(other.ConnectAccess(empty.pathText()));
    const ExchangeReport report = ImportContactsFile(other, file("all.vcf"), ExchangeFormat::VCard);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.message().toUtf8(), "共 10000 条记录\r\n已存在 0 条记录\r\n成功添加 10000 条记录");
    ExpectSameContactsButKeys(before, StoredContacts(empty.path()));
}

// ---- bad input: a clear message or a counted failure, nothing half-written ----

TEST_F(VCardTest, DamagedCardsAreCountedAndTheOthersImported) {
    const std::string good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:好\r\nTEL;TYPE=CELL:13800000001\r\nEND:VCARD\r\n";
    const std::string text =
        good +
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xC0\xEE\xFF\r\nTEL:13800000002\r\nEND:VCARD\r\n"  // not UTF-8
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:套\r\nTEL:13800000003\r\n"                         // BEGIN inside
        "BEGIN:VCARD\r\nVERSION:3.0\r\nEMAIL:x@example.com\r\nEND:VCARD\r\n"                 // no name, no number
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:坏照片\r\nPHOTO;ENCODING=b;TYPE=JPEG:@@not base64!!\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:尾\r\nTEL:13800000004\r\n";  // no END at the end of the file
    WriteFileBytes(file("bad.vcf"), text);
    const ExchangeReport report = import(file("bad.vcf"));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.counts.total, 6);
    EXPECT_EQ(report.counts.added, 2);
    EXPECT_EQ(report.counts.failed(), 4);
    ExpectMentions(report.message().toUtf8(),
                   {"未能添加 4 条记录", "第 2 张名片：FN 的值不是有效的 UTF-8 文本", "第 3 张名片：缺少 END:VCARD",
                    "第 4 张名片：既没有姓名也没有号码", "第 5 张名片：照片的 base64 数据无效"});
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["姓名"], "好");
    EXPECT_EQ(rows[1]["姓名"], "坏照片");
    EXPECT_TRUE(rows[1].photo.empty());
    EXPECT_EQ(IntegrityCheck(book_.path()), "ok");
}

TEST_F(VCardTest, ATwentyMegabytePhotoIsRefusedAndTheContactKept) {
    const std::string photo = Base64Encoded(Bytes(20 * 1024 * 1024, 0xFF));
    WriteFileBytes(file("big.vcf"),
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:大照片\r\nTEL;TYPE=CELL:13800000001\r\n"
                   "PHOTO;ENCODING=b;TYPE=JPEG:" +
                       photo + "\r\nEND:VCARD\r\n");
    const ExchangeReport report = import(file("big.vcf"));
    ASSERT_TRUE(report.ok);
    EXPECT_NE(report.message().toUtf8().find("照片大于 8 MB，未导入照片"), std::string::npos);
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].photo.empty());
}

TEST_F(VCardTest, FiftyMegabytesWithoutACardChangeNothing) {
    WriteFileBytes(file("noise.vcf"), std::string(50 * 1024 * 1024, 'A'));
    const ExchangeReport report = import(file("noise.vcf"));
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.message().toUtf8(), "文件中没有 vCard 名片（BEGIN:VCARD），没有导入任何联系人");
    EXPECT_TRUE(stored().empty());
}

TEST_F(VCardTest, FiftyMegabytesOfCardsImport) {
    std::string text;
    const std::string note(2000, 'n');
    for (int i = 0; text.size() < 50u * 1024 * 1024; ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:C" + std::to_string(i) +
                "\r\nTEL;TYPE=CELL:" + std::to_string(15000000000LL + i) + "\r\nNOTE:" + note + "\r\nEND:VCARD\r\n";
    WriteFileBytes(file("fifty.vcf"), text);
    const ExchangeReport report = import(file("fifty.vcf"));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_GT(report.counts.added, 20000);
    EXPECT_EQ(report.counts.failed(), 0);
    EXPECT_EQ(static_cast<int>(stored().size()), report.counts.added);
}

TEST_F(VCardTest, FiveThousandCardsWithTheSameMobileAddOne) {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:同号" + std::to_string(i) +
                "\r\nTEL;TYPE=CELL:13800138000\r\nEND:VCARD\r\n";
    WriteFileBytes(file("same.vcf"), text);
    const ExchangeReport report = import(file("same.vcf"));
    EXPECT_EQ(report.message().toUtf8(), "共 5000 条记录\r\n已存在 4999 条记录\r\n成功添加 1 条记录");
    EXPECT_EQ(stored().size(), 1u);
}

TEST_F(VCardTest, CharactersTheBookCannotStoreAreReported) {
    WriteFileBytes(file("wide.vcf"),
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张😀\r\nTEL;TYPE=CELL:13800000001\r\n"
                   "ADR:;;\xF0\xA0\x80\x80路;;;;\r\nNOTE:ok\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:李四\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王五\r\nNOTE:€ ก ①\r\nEND:VCARD\r\n");
    const ExchangeReport report = import(file("wide.vcf"));
    ASSERT_TRUE(report.ok);
    EXPECT_EQ(report.contactsWithLostCharacters, 2);
    EXPECT_EQ(report.fieldsWithLostCharacters, (std::set<std::string>{"地址", "备注", "姓名"}));
    EXPECT_NE(report.message().toUtf8().find("2 个联系人含有通讯录无法保存的字符（地址、备注、姓名）"),
              std::string::npos)
        << report.message().toUtf8();
}

TEST_F(VCardTest, AnExportThatCannotBeWrittenLeavesNoFile) {
    AddContacts(book_.path(), FullContacts(3));
    const ExchangeReport report = exportAll(file("no/such/folder/out.vcf"));
    EXPECT_FALSE(report.ok);
    EXPECT_NE(report.message().toUtf8().find("无法写入文件"), std::string::npos);
}

}  // namespace
