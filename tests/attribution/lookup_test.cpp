// The web attribution lookup against a real HTTP server on 127.0.0.1.
#include "attribution/lookup.h"
#include "attribution/carrier.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "support/local_http_server.h"
#include "support/temp_folder.h"
#include "test_book.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace std::chrono_literals;

namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string utf8(const Text& t) { return t.toUtf8(); }

// A lookup service that knows a few numbers and answers the rest without markers.
class FakeService {
public:
    FakeService()
        : server_([this](const LocalHttpServer::Request& r) {
              std::lock_guard lock(mutex_);
              auto it = pages_.find(r.query("m"));
              if (it != pages_.end()) return it->second;
              return LocalHttpServer::html("<html><body>没有找到该号码</body></html>");
          }) {}

    void answer(const std::string& number, LocalHttpServer::Response page) {
        std::lock_guard lock(mutex_);
        pages_[number] = std::move(page);
    }
    void region(const std::string& number, const std::string& region) {
        answer(number, LocalHttpServer::attributionPage(region));
    }
    Text address() const { return Text::fromBytes(server_.baseUrl()); }
    LocalHttpServer& server() { return server_; }

private:
    std::mutex mutex_;
    std::map<std::string, LocalHttpServer::Response> pages_;
    LocalHttpServer server_;
};

LocalHttpServer::Response page(const std::string& body) { return LocalHttpServer::html(body); }

// The book's contacts in name order, standing on the first.
bool OpenOnTheFirstByName(RecordSet& contacts, TestBook& book) {
    contacts.SetConnection(book.connection());
    return contacts.OpenTable(T("通讯录"), T("姓名 ASC")) && contacts.MoveTo(0);
}

}  // namespace

// ---- text_between ----

TEST(TextBetween, ReturnsTheTextBetweenTheMarkers) {
    EXPECT_EQ(utf8(text_between(T("前卡号归属地：<em>广东 深圳</em>   类型：移动"), T("卡号归属地：<em>"),
                                T("</em>   类型"))),
              "广东 深圳");
    EXPECT_EQ(utf8(text_between(T("a[x]b[y]"), T("["), T("]"))), "x");
}

TEST(TextBetween, EmptyWhenAMarkerIsMissingOrOutOfOrder) {
    EXPECT_TRUE(text_between(T("只有开始 <em>北京"), T("<em>"), T("</em>")).empty());
    EXPECT_TRUE(text_between(T("北京</em> 只有结束"), T("<em>"), T("</em>")).empty());
    EXPECT_TRUE(text_between(T("</em>北京<em>"), T("<em>"), T("</em>")).empty());
    // Only the first occurrence of each counts.
    EXPECT_TRUE(text_between(T("</em> 然后 <em>北京</em>"), T("<em>"), T("</em>")).empty());
    EXPECT_TRUE(text_between(T("<em></em>"), T("<em>"), T("</em>")).empty());
    EXPECT_TRUE(text_between(Text(), T("<em>"), T("</em>")).empty());
}

TEST(TextBetween, MatchesOnlyAtCharacterBoundaries) {
    // D0 A3 is one two-byte character; the marker A3 "<" only matches across it.
    Text t = Text::fromBytes("\xD0\xA3<x>");
    EXPECT_EQ(text_between(t, Text::fromBytes("\xA3<"), Text::fromBytes(">")).bytes(), "");
    Text byteMarker = Text::fromBytes("\xD0\xA3");  // a whole character: found
    EXPECT_EQ(text_between(Text::fromBytes("a\xD0\xA3zz!"), byteMarker, Text::fromBytes("!")).bytes(), "zz");
}

// ---- utf8_to_local_text ----

TEST(Utf8ToLocalText, ConvertsChineseToGbk) {
    EXPECT_EQ(utf8_to_local_text(bytesOf("广东 深圳")), T("广东 深圳"));
    EXPECT_EQ(utf8_to_local_text(bytesOf("广东 深圳")).size(), 9u);
    EXPECT_TRUE(utf8_to_local_text(Bytes()).empty());
}

TEST(Utf8ToLocalText, BrokenUtf8BecomesQuestionMarks) {
    // A stray continuation byte and an invalid lead byte: one "?" each.
    EXPECT_EQ(utf8_to_local_text(bytesOf("北\x80京 \xFF上海")), T("北?京 ?上海"));
    // A cut-off three-byte sequence: replaced, and the text after it intact.
    std::string cut = utf8_to_local_text(bytesOf("北京\xE5\xB9上海")).toUtf8();
    EXPECT_TRUE(cut == "北京?上海" || cut == "北京??上海") << cut;
}

TEST(Utf8ToLocalText, CharactersGbkLacksBecomeQuestionMarks) {
    EXPECT_EQ(utf8_to_local_text(bytesOf("广东😀深圳ก")), T("广东?深圳?"));
}

TEST(Utf8ToLocalText, ComposesCombiningMarksFirst) {
    // "e" + combining acute is the one GBK character "é".
    EXPECT_EQ(utf8_to_local_text(bytesOf("Jose\xCC\x81")), T("José"));
}

TEST(Utf8ToLocalText, EndsAtTheFirstNul) {
    EXPECT_EQ(utf8_to_local_text(bytesOf(std::string("广州\0卡号归属地", 15))), T("广州"));
}

// ---- lookup_attribution ----

TEST(LookupAttribution, FindsTheRegionOfAMobileNumber) {
    FakeService service;
    service.region("13800138000", "广东 深圳");
    EXPECT_EQ(utf8(lookup_attribution(T("13800138000"), service.address())), "广东 深圳");
    ASSERT_EQ(service.server().requestCount(), 1u);
    EXPECT_EQ(service.server().requests()[0].target, "/api/mobile.php?m=13800138000&t=html");
}

TEST(LookupAttribution, MakesNoRequestForWhatIsNotAMobileNumber) {
    FakeService service;
    for (const char* number : {"", "1", "1380013800", "138001380000", "23800138000", "0138001380", "+8613800138", "+",
                               "1380'138000", "1abcdefghij", "1&t=json&m=", "1380013800#", "025-83123456"}) {
        EXPECT_TRUE(lookup_attribution(Text::fromUtf8(number), service.address()).empty()) << number;
    }
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(LookupAttribution, TheServiceIsAskedWithTheElevenDigits) {
    FakeService service;
    service.region("13800138000", "广东 深圳");
    for (const char* written : {" 13800138000", "13800138000 ", "+86 138 0013 8000", "138-0013-8000",
                                "0086 13800138000", "１３８００１３８０００"}) {
        EXPECT_EQ(utf8(lookup_attribution(Text::fromUtf8(written), service.address())), "广东 深圳") << written;
    }
    for (const auto& request : service.server().requests())
        EXPECT_EQ(request.target, "/api/mobile.php?m=13800138000&t=html");
}

TEST(LookupAttribution, TextsThatAreNotNumbersAreNeverSent) {
    FakeService service;
    const Text gbk = T("1一二三四五");
    ASSERT_EQ(gbk.size(), 11u);
    EXPECT_TRUE(lookup_attribution(gbk, service.address()).empty());
    EXPECT_TRUE(lookup_attribution(Text::fromBytes(std::string(50000, '1')), service.address()).empty());
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(LookupAttribution, NoAddressNoRequest) {
    FakeService service;
    service.region("13800138000", "广东 深圳");
    EXPECT_TRUE(lookup_attribution(T("13800138000"), Text()).empty());
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(LookupAttribution, PagesWithoutBothMarkersInOrderGiveNothing) {
    FakeService service;
    service.answer("13000000001", page("<p>卡号归属地：<em>北京</p>"));
    service.answer("13000000002", page("<p>北京</em>   类型：联通</p>"));
    service.answer("13000000003", page("<p></em>   类型 ... 卡号归属地：<em>北京</em>   类型</p>"));
    service.answer("13000000004", page("<p>卡号归属地：<em>北京</em> 类型</p>"));  // one blank, not three
    service.answer("13000000005", LocalHttpServer::html("<h1>404 Not Found</h1>", 404, "Not Found"));
    service.answer("13000000006", page(""));
    for (int i = 1; i <= 7; ++i) {
        std::string n = "1300000000" + std::to_string(i);
        EXPECT_TRUE(lookup_attribution(Text::fromUtf8(n), service.address()).empty()) << n;
    }
}

TEST(LookupAttribution, GarbledAnswersGiveNothing) {
    FakeService service;
    service.region("13800000001", "广东\xFF深圳");         // not UTF-8
    service.region("13800000002", "广东😀深圳");            // a character GBK lacks
    service.region("13800000003", "<b>广东</b>");          // markup
    service.region("13800000004", std::string(200, 'x'));  // not a short line
    service.region("13800000005", "广东\r\n深圳");
    // The whole page in code page 936 rather than UTF-8.
    const Text gbkPage = T("<p>卡号归属地：<em>广东 深圳</em>   类型：移动</p>");
    service.answer("13800000006", page(gbkPage.bytes()));
    for (int i = 1; i <= 6; ++i) {
        const std::string n = "1380000000" + std::to_string(i);
        EXPECT_EQ(utf8(lookup_attribution(Text::fromUtf8(n), service.address())), "") << n;
    }
    EXPECT_EQ(service.server().requestCount(), 6u);
}

TEST(LookupAttribution, AHugeAnswerIsReadOnlyAsFarAsItsStart) {
    FakeService service;
    // The markers near the top of 10 MB: found; beyond the part read: not looked for.
    std::string early = "<p>卡号归属地：<em>广东 深圳</em>   类型：移动</p>";
    early += std::string(10 * 1024 * 1024, ' ');
    service.answer("13800000001", page(early));
    std::string late(10 * 1024 * 1024, ' ');
    late += "<p>卡号归属地：<em>广东 深圳</em>   类型：移动</p>";
    service.answer("13800000002", page(late));
    EXPECT_EQ(utf8(lookup_attribution(T("13800000001"), service.address())), "广东 深圳");
    EXPECT_EQ(utf8(lookup_attribution(T("13800000002"), service.address())), "");
}

TEST(PlausibleAttribution, ShortLinesOfText) {
    EXPECT_TRUE(plausible_attribution(T("广东 深圳 移动全球通卡")));
    EXPECT_FALSE(plausible_attribution(Text()));
    EXPECT_FALSE(plausible_attribution(T("广东?深圳")));
    EXPECT_FALSE(plausible_attribution(T("<em>")));
    EXPECT_FALSE(plausible_attribution(Text::fromBytes(std::string(97, 'a'))));
    EXPECT_TRUE(plausible_attribution(Text::fromBytes(std::string(96, 'a'))));
}

TEST(LookupAttribution, DeadServiceGivesNothing) {
    ScopedFetchTimeLimits limits(FetchTimeLimits{1500ms, 1500ms});
    LocalHttpServer silent([](const auto&) { return LocalHttpServer::silent(); });
    EXPECT_TRUE(lookup_attribution(T("13800138000"), Text::fromBytes(silent.baseUrl())).empty());
    Text closed = Text::fromBytes("http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()));
    EXPECT_TRUE(lookup_attribution(T("13800138000"), closed).empty());
    EXPECT_TRUE(lookup_attribution(T("13800138000"), T("127.0.0.1")).empty());  // no scheme
}

// ---- the settings file ----

TEST(AttributionServiceAddress, ReadFromTheSettingsFile) {
    TempFolder folder;
    Text ini = folder.fileText("Peizhi.ini");
    EXPECT_TRUE(attribution_service_address(ini).empty());  // no file
    ASSERT_TRUE(WriteIni(ini, T("窗口位置"), T("主窗口左边"), T("50")));
    EXPECT_TRUE(attribution_service_address(ini).empty());  // no key
    ASSERT_TRUE(WriteIni(ini, T("网络"), T("归属地查询地址"), T("  http://127.0.0.1:8080/ ")));
    EXPECT_EQ(utf8(attribution_service_address(ini)), "http://127.0.0.1:8080");
    EXPECT_TRUE(attribution_service_address(Text()).empty());
}

TEST(AttributionServiceAddress, ConfiguredAddressIsUsedForTheRequest) {
    FakeService service;
    service.region("13800138000", "广东 深圳");
    TempFolder folder;
    Text ini = folder.fileText("Peizhi.ini");
    ASSERT_TRUE(WriteIni(ini, T("网络"), T("归属地查询地址"), service.address() + T("/")));
    EXPECT_EQ(utf8(lookup_attribution(T("13800138000"), attribution_service_address(ini))), "广东 深圳");
    EXPECT_EQ(service.server().requests().at(0).target, "/api/mobile.php?m=13800138000&t=html");
}

// ---- the contact on display ----

namespace {

CarrierSegments mobileSegments() {
    CarrierSegments segments;
    segments.add("138", T("移动"));
    return segments;
}

}  // namespace

TEST(AttributionOfCurrentContact, StoredValueIsShownAsItIs) {
    TestBook book;
    book.addContacts({{"c01", "13800138000", "北京 北京"}});
    RecordSet contacts;
    ASSERT_TRUE(OpenOnTheFirstByName(contacts, book));
    EXPECT_EQ(utf8(attribution_of_current_contact(contacts, mobileSegments())), "北京 北京");
    EXPECT_EQ(book.storedAttribution("c01"), "北京 北京");
}

TEST(AttributionOfCurrentContact, OfflineValueIsStoredAtOnce) {
    TestBook book;
    book.addContacts({{"c01", "13912345678", ""}, {"c02", "13800139000", ""}, {"c03", "12345", ""}});
    {
        RecordSet contacts;
        ASSERT_TRUE(OpenOnTheFirstByName(contacts, book));
        CarrierSegments segments;
        segments.add("139", T("移动"));
        EXPECT_EQ(utf8(attribution_of_current_contact(contacts, segments)), "江苏省常州市 移动");
        // In the file already, before the record set moves or closes.
        EXPECT_EQ(book.storedAttribution("c01"), "江苏省常州市 移动");
        // Not a mobile number: nothing shown, nothing stored.
        ASSERT_TRUE(contacts.MoveTo(2));
        EXPECT_TRUE(attribution_of_current_contact(contacts, segments).empty());
        // Reopened (as a new search does): the value is still there.
        ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
        ASSERT_TRUE(contacts.MoveTo(0));
        EXPECT_EQ(utf8(contacts.ReadText(T("归属地"))), "江苏省常州市 移动");
    }
    EXPECT_EQ(book.storedAttribution("c02"), "");
    EXPECT_EQ(book.storedAttribution("c03"), "");
}

TEST(AttributionOfCurrentContact, ARefusedStoreStillShowsTheAttribution) {
    TestBook book;
    book.addContacts({{"c01", "13912345678", ""}});
    book.refuseChangesTo("c01");
    RecordSet contacts;
    ASSERT_TRUE(OpenOnTheFirstByName(contacts, book));
    EXPECT_EQ(utf8(attribution_of_current_contact(contacts, CarrierSegments())), "江苏省常州市");
    EXPECT_EQ(book.storedAttribution("c01"), "");
}

TEST(AttributionStatusText, SixBlanksThenTheLabel) {
    EXPECT_EQ(attribution_status_text(T("广东 深圳")), T("      归属地：广东 深圳"));
    EXPECT_TRUE(attribution_status_text(Text()).empty());
}
