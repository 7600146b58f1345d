// The web attribution lookup against a real HTTP server on 127.0.0.1.
#include "attribution/lookup.h"
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

} // namespace

// ---- text_between ----

TEST(TextBetween, ReturnsTheTextBetweenTheMarkers) {
    EXPECT_EQ(utf8(text_between(T("前卡号归属地：<em>广东 深圳</em>   类型：移动"), T("卡号归属地：<em>"), T("</em>   类型"))),
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
    for (const char* number : {"", "1", "1380013800", "138001380000", "23800138000", " 13800138000",
                               "13800138000 ", "0138001380", "+8613800138"}) {
        EXPECT_TRUE(lookup_attribution(Text::fromUtf8(number), service.address()).empty()) << number;
    }
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(LookupAttribution, ElevenBytesStartingWithOneAreAskedAsTheyAre) {
    FakeService service;
    // Quotes, blanks, letters, "&" and "#" reach the service as part of the number
    // and cannot change the request: the answer is simply "not found".
    const std::vector<std::string> odd = {"1380'138000", "138 0013 80", "1abcdefghij", "1&t=json&m=", "1380013800#"};
    for (const auto& n : odd) EXPECT_TRUE(lookup_attribution(Text::fromUtf8(n), service.address()).empty()) << n;
    auto requests = service.server().requests();
    ASSERT_EQ(requests.size(), odd.size());
    for (size_t i = 0; i < odd.size(); ++i) {
        EXPECT_EQ(requests[i].query("m"), odd[i]);
        EXPECT_EQ(requests[i].query("t"), "html");
        EXPECT_EQ(requests[i].target.find('#'), std::string::npos);
    }
    EXPECT_EQ(requests[0].target, "/api/mobile.php?m=1380%27138000&t=html");
}

TEST(LookupAttribution, GbkNumberOfElevenBytesIsSentEncoded) {
    FakeService service;
    Text number = T("1一二三四五");
    ASSERT_EQ(number.size(), 11u);
    EXPECT_TRUE(lookup_attribution(number, service.address()).empty());
    ASSERT_EQ(service.server().requestCount(), 1u);
    EXPECT_EQ(service.server().requests()[0].query("m"), number.bytes());
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

TEST(LookupAttribution, BrokenUtf8AndCharactersGbkLacksInTheRegion) {
    FakeService service;
    service.region("13800000001", "广东\xFF深圳");
    service.region("13800000002", "广东😀深圳");
    EXPECT_EQ(utf8(lookup_attribution(T("13800000001"), service.address())), "广东?深圳");
    EXPECT_EQ(utf8(lookup_attribution(T("13800000002"), service.address())), "广东?深圳");
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

TEST(AttributionOfCurrentContact, StoredValueIsShownWithoutARequest) {
    FakeService service;
    TestBook book;
    book.addContacts({{"c01", "13800138000", "北京 北京"}});
    RecordSet contacts;
    contacts.SetConnection(book.connection());
    ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(contacts.MoveTo(0));
    EXPECT_EQ(utf8(attribution_of_current_contact(contacts, service.address())), "北京 北京");
    EXPECT_EQ(service.server().requestCount(), 0u);
}

TEST(AttributionOfCurrentContact, FoundValueIsStoredAtOnce) {
    FakeService service;
    service.region("13800138000", "广东 深圳");
    TestBook book;
    book.addContacts({{"c01", "13800138000", ""}, {"c02", "13900139000", ""}});
    {
        RecordSet contacts;
        contacts.SetConnection(book.connection());
        ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
        ASSERT_TRUE(contacts.MoveTo(0));
        EXPECT_EQ(utf8(attribution_of_current_contact(contacts, service.address())), "广东 深圳");
        // In the file already, before the record set moves or closes.
        EXPECT_EQ(book.storedAttribution("c01"), "广东 深圳");
        // Shown again without a reopen: the stored value, no second request.
        EXPECT_EQ(utf8(attribution_of_current_contact(contacts, service.address())), "广东 深圳");
        EXPECT_EQ(service.server().requestCount(), 1u);
        // Reopened (as a new search does): the value is still there.
        ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
        ASSERT_TRUE(contacts.MoveTo(0));
        EXPECT_EQ(utf8(contacts.ReadText(T("归属地"))), "广东 深圳");
    }
    EXPECT_EQ(book.storedAttribution("c01"), "广东 深圳");
    EXPECT_EQ(book.storedAttribution("c02"), "");
}

TEST(AttributionOfCurrentContact, FailedLookupLeavesTheFieldEmptyForNextTime) {
    FakeService service;
    TestBook book;
    book.addContacts({{"c01", "13800138000", ""}});
    RecordSet contacts;
    contacts.SetConnection(book.connection());
    ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(contacts.MoveTo(0));
    EXPECT_TRUE(attribution_of_current_contact(contacts, service.address()).empty());
    EXPECT_EQ(book.storedAttribution("c01"), "");
    service.region("13800138000", "广东 深圳");
    EXPECT_EQ(utf8(attribution_of_current_contact(contacts, service.address())), "广东 深圳");
    EXPECT_EQ(service.server().requestCount(), 2u);
}

TEST(AttributionStatusText, SixBlanksThenTheLabel) {
    EXPECT_EQ(attribution_status_text(T("广东 深圳")), T("      归属地：广东 深圳"));
    EXPECT_TRUE(attribution_status_text(Text()).empty());
}
