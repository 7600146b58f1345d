// Typing a name's pinyin spelling into the main window's search box finds
// the contact, whole syllables, initials or a mix, in any letter case.

#include "services/window/window_impl.h"
#include "support/stages/program_fixture.h"
#include "ui/main_window_decl.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

namespace {

// Names whose spellings overlap: xian, xi an, Xian; zeng beside zhang and zhao.
const std::vector<SampleContact> kSpelledNames = {
    {"张三", "13800000001", "zs", "同事"}, {"李四", "13912345678", "ls", "同事"}, {"赵六", "18600000000", "zl", ""},
    {"先知", "13700000002", "xz", ""},     {"西安娜", "13700000003", "xan", ""},  {"Xian Li", "13700000004", "xl", ""},
    {"曾小明", "13700000005", "zxm", ""},
};

class SpellingSearchBox : public ProgramFixture {
protected:
    void SetUp() override {
        addContacts(kSpelledNames);
        loadMain();
    }
    Window* main() { return FindWindow("main"); }
    QLineEdit* searchBox() { return qobject_cast<QLineEdit*>(main()->control(T(MainControls::SearchBox)).widget()); }
    std::string count() { return main()->control(T(MainControls::CountLabel)).text().toUtf8(); }
    // Empties the box and types the text key by key, as a user would.
    void typeSearch(const QString& text) {
        main()->widget()->activateWindow();
        searchBox()->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        searchBox()->selectAll();
        QTest::keyClick(searchBox(), Qt::Key_Backspace);
        typeText(searchBox(), text);
    }
};

}  // namespace

TEST_F(SpellingSearchBox, TheSpellingWholeOrMixedWithInitialsFindsTheContact) {
    for (const char* typed : {"zhangsan", "zhang", "zsan", "ZHANG SAN", "zhangs"}) {
        typeSearch(typed);
        EXPECT_EQ(listRows(), (std::vector<std::string>{"张三|13800000001"})) << typed;
        EXPECT_EQ(count(), "共 1 条记录") << typed;
    }
}

TEST_F(SpellingSearchBox, SpellingMatchesTakeTheirPlaceBesideTheStatementsOwn) {
    // "Xian Li" holds the text itself; 西安娜 (xi an) and 先知 (xian) are found
    // by their spelling, each in its place in name order (Latin first, then
    // pinyin: 曾 ceng before 西 xi before 先 xian).
    typeSearch("xian");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Xian Li", "西安娜", "先知"}));
    EXPECT_EQ(count(), "共 3 条记录");
    // The other reading of a polyphone: 曾 as ceng as well as zeng.
    typeSearch("cengx");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"曾小明"}));
    typeSearch("zengxiaoming");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"曾小明"}));
    // Digits search the numbers alone, as before.
    typeSearch("1370000000");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Xian Li", "曾小明", "西安娜", "先知"}));
}
