// The settings file: private-profile reading and writing, kept in GBK with CR LF.

#include "services/core/core.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace {

void PutBytes(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

std::string GetBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Gbk(const char* utf8) { return T(utf8).bytes(); }

class IniTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::string path = dir.file("Peizhi.ini");
    Text file = dir.fileText("Peizhi.ini");

    std::string read(const char* section, const char* key, const char* def = "") {
        return ReadIni(file, T(section), T(key), T(def)).toUtf8();
    }
};

}  // namespace

TEST_F(IniTest, ChineseRoundTripIsByteExact) {
    EXPECT_TRUE(WriteIni(file, T("窗口位置"), T("主窗口左边"), T("120")));
    EXPECT_TRUE(WriteIni(file, T("窗口位置"), T("主窗口顶边"), T("80")));
    EXPECT_TRUE(WriteIni(file, T("目录"), T("照片对话框的目录"), T("/home/张三/照片/头像.jpg")));
    EXPECT_EQ(GetBytes(path), Gbk("[窗口位置]\r\n主窗口左边=120\r\n主窗口顶边=80\r\n\r\n[目录]\r\n"
                                  "照片对话框的目录=/home/张三/照片/头像.jpg\r\n"));
    EXPECT_EQ(read("窗口位置", "主窗口左边"), "120");
    EXPECT_EQ(read("窗口位置", "主窗口顶边"), "80");
    EXPECT_EQ(read("目录", "照片对话框的目录"), "/home/张三/照片/头像.jpg");
}

TEST_F(IniTest, ReplacingKeepsOtherLines) {
    PutBytes(path, Gbk("; 设置\n[Window]\nLeft = 5 \n\nnoequals\n# note\n[Other]\nk=v\n"));
    EXPECT_TRUE(WriteIni(file, T("window"), T("LEFT"), T("7")));
    EXPECT_EQ(GetBytes(path), Gbk("; 设置\r\n[Window]\r\nLeft=7\r\n\r\nnoequals\r\n# note\r\n[Other]\r\nk=v\r\n"));
    EXPECT_TRUE(WriteIni(file, T("Window"), T("Top"), T("9")));
    EXPECT_EQ(GetBytes(path),
              Gbk("; 设置\r\n[Window]\r\nLeft=7\r\n\r\nnoequals\r\n# note\r\nTop=9\r\n[Other]\r\nk=v\r\n"));
    EXPECT_EQ(read("WINDOW", "top"), "9");
}

TEST_F(IniTest, NewKeyGoesAboveBlankSeparator) {
    PutBytes(path, "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    EXPECT_TRUE(WriteIni(file, T("a"), T("z"), T("3")));
    EXPECT_EQ(GetBytes(path), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n");
}

TEST_F(IniTest, OmittedKeyDeletesSection) {
    PutBytes(path, "[a]\r\nx=1\r\n[B]\r\ny=2\r\n\r\n[c]\r\nz=3\r\n");
    EXPECT_TRUE(WriteIni(file, T("b"), std::nullopt, std::nullopt));
    EXPECT_EQ(GetBytes(path), "[a]\r\nx=1\r\n[c]\r\nz=3\r\n");
    EXPECT_TRUE(WriteIni(file, T("nosuch"), std::nullopt, std::nullopt));
    EXPECT_EQ(GetBytes(path), "[a]\r\nx=1\r\n[c]\r\nz=3\r\n");
}

TEST_F(IniTest, OmittedValueDeletesKey) {
    PutBytes(path, "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_TRUE(WriteIni(file, T("A"), T("X"), std::nullopt));
    EXPECT_EQ(GetBytes(path), "[a]\r\ny=2\r\n");
    EXPECT_EQ(read("a", "x", "gone"), "gone");
}

TEST_F(IniTest, DeletionsDoNotCreateTheFile) {
    EXPECT_TRUE(WriteIni(file, T("a"), T("x"), std::nullopt));
    EXPECT_TRUE(WriteIni(file, T("a"), std::nullopt, std::nullopt));
    EXPECT_FALSE(FileExists(file));
}

TEST_F(IniTest, ReadingTrimsAndUnquotes) {
    PutBytes(path, "[s]\nplain =  value with blanks \t\nquoted=\" padded \"\nsingle='x'\nhalf=\"x\nempty=\n");
    EXPECT_EQ(read("s", "plain"), "value with blanks");
    EXPECT_EQ(read("s", "quoted"), " padded ");
    EXPECT_EQ(read("s", "single"), "x");
    EXPECT_EQ(read("s", "half"), "\"x");
    EXPECT_EQ(read("s", "empty", "def"), "");
}

TEST_F(IniTest, DefaultsAndMissingThings) {
    EXPECT_EQ(read("s", "k", "默认"), "默认");  // no file
    PutBytes(path, "[s]\r\nk=v\r\nkeyonly\r\n");
    EXPECT_EQ(read("t", "k", "d"), "d");
    EXPECT_EQ(read("s", "x", "d"), "d");
    EXPECT_EQ(read("s", "keyonly", "d"), "d");
    EXPECT_EQ(read("s", "k", "d"), "v");
}

TEST_F(IniTest, EmptyArgumentsGiveEmptyNotDefault) {
    PutBytes(path, "[s]\r\nk=v\r\n");
    EXPECT_EQ(read("s", "", "default"), "");
    EXPECT_EQ(read("", "k", "default"), "");
    EXPECT_EQ(ReadIni(Text(), T("s"), T("k"), T("default")), Text());
    // Leading bytes 1 to 32 are skipped before the check.
    EXPECT_EQ(read("s", " \t", "default"), "");
    EXPECT_EQ(read(" s", "\tk", "default"), "v");
    EXPECT_EQ(ReadIni(Text::fromUtf8("  " + path), T("s"), T("k")), T("v"));
}

TEST_F(IniTest, ValuesAreBoundedByTheBuffer) {
    std::string longValue(20000, 'x');
    PutBytes(path, "[s]\r\nk=" + longValue + "\r\n");
    EXPECT_EQ(ReadIni(file, T("s"), T("k")).size(), 10239u);
    // A cut never leaves half a character.
    std::string chinese;
    for (int i = 0; i < 6000; ++i) chinese += Gbk("张");
    PutBytes(path, "[s]\r\nk=x" + chinese + "\r\n");
    Text v = ReadIni(file, T("s"), T("k"));
    EXPECT_EQ(v.size(), 10239u);
    EXPECT_EQ(v.bytes().substr(v.size() - 2), Gbk("张"));
    PutBytes(path, "[s]\r\nk=" + chinese + "\r\n");
    EXPECT_EQ(ReadIni(file, T("s"), T("k")).size(), 10238u);
}

TEST_F(IniTest, CaseFoldingNeverJoinsChineseCharacters) {
    // 0x81 0x41 and 0x81 0x61 are different characters.
    PutBytes(path, "[s]\r\n\x81\x41=1\r\n");
    EXPECT_EQ(ReadIni(file, T("s"), Text::fromBytes("\x81\x61"), T("d")), T("d"));
    EXPECT_EQ(ReadIni(file, T("S"), Text::fromBytes("\x81\x41"), T("d")), T("1"));
    // A section name whose trail byte is "]" (0x5D).
    EXPECT_TRUE(WriteIni(file, Text::fromBytes("\x81\x5D"), T("k"), T("2")));
    EXPECT_EQ(ReadIni(file, Text::fromBytes("\x81\x5D"), T("k")), T("2"));
}

TEST_F(IniTest, ValuesCannotInjectLines) {
    EXPECT_TRUE(WriteIni(file, T("s"), T("k"), Text::fromBytes("a\r\n[evil]\r\nx=1")));
    EXPECT_EQ(GetBytes(path), "[s]\r\nk=a\r\n");
    EXPECT_FALSE(WriteIni(file, T("s"), T("a=b"), T("1")));
    EXPECT_FALSE(WriteIni(file, T("s\nt"), T("k"), T("1")));
    EXPECT_FALSE(WriteIni(file, T(""), T("k"), T("1")));
    EXPECT_FALSE(WriteIni(file, T("s"), T(""), T("1")));
    EXPECT_FALSE(WriteIni(Text(), T("s"), T("k"), T("1")));
}

TEST_F(IniTest, UnreadableFileIsNeitherReadNorOverwritten) {
    if (geteuid() == 0) {
        // root reads everything; use a folder where the file cannot exist instead.
        Text inFolder = Text::fromUtf8(dir.path());
        EXPECT_EQ(ReadIni(inFolder, T("s"), T("k"), T("d")), T("d"));
        EXPECT_FALSE(WriteIni(inFolder, T("s"), T("k"), T("1")));
        return;
    }
    PutBytes(path, "[s]\r\nk=v\r\n");
    chmod(path.c_str(), 0200);
    EXPECT_EQ(read("s", "k", "d"), "d");
    EXPECT_FALSE(WriteIni(file, T("s"), T("k"), T("1")));
    chmod(path.c_str(), 0600);
    EXPECT_EQ(GetBytes(path), "[s]\r\nk=v\r\n");
}

TEST_F(IniTest, FileInUseIsNotOverwritten) {
    PutBytes(path, "[s]\r\nk=v\r\n");
    ASSERT_NE(OpenFile(file, 3, 4), 0);  // held exclusively for the rest of the test program
    EXPECT_EQ(read("s", "k", "d"), "d");
    EXPECT_FALSE(WriteIni(file, T("s"), T("k"), T("1")));
    EXPECT_EQ(GetBytes(path), "[s]\r\nk=v\r\n");
}

// Files another editor wrote: what the first key reads, and the file after
// a write into the same section.
TEST_F(IniTest, FilesOfOtherEditorsAreReadAndWrittenInPlace) {
    struct Case {
        const char* what;
        std::string before;
        const char *section, *key, *value, *writtenKey, *writtenValue;
        std::string after;
    };
    const Case cases[] = {
        {"no final line break", "[s]\nk=v", "s", "k", "v", "j", "w", "[s]\r\nk=v\r\nj=w\r\n"},
        {"first of duplicate sections and keys", "[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n", "s", "k", "1", "k", "9",
         "[s]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\n"},
        {"UTF-8 with a byte order mark, kept in GBK", "\xEF\xBB\xBF[窗口位置]\r\n主窗口左边=30\r\n", "窗口位置",
         "主窗口左边", "30", "主窗口顶边", "40", Gbk("[窗口位置]\r\n主窗口左边=30\r\n主窗口顶边=40\r\n")},
    };
    for (const Case& c : cases) {
        PutBytes(path, c.before);
        EXPECT_EQ(read(c.section, c.key), c.value) << c.what;
        EXPECT_TRUE(WriteIni(file, T(c.section), T(c.writtenKey), T(c.writtenValue))) << c.what;
        EXPECT_EQ(GetBytes(path), c.after) << c.what;
    }
}

TEST_F(IniTest, ANewFileIsReadableByItsOwnerOnlyAndAnExistingOneKeepsItsMode) {
    const mode_t previous = ::umask(022);
    EXPECT_TRUE(WriteIni(file, T("数据库"), T("连接"), T("ODBC;PWD=secret")));
    struct stat created {};
    ASSERT_EQ(::stat(path.c_str(), &created), 0);
    EXPECT_EQ(created.st_mode & 07777, 0600u);
    EXPECT_EQ(GetBytes(path), Gbk("[数据库]\r\n连接=ODBC;PWD=secret\r\n"));

    const std::string shared = dir.file("shared.ini");
    PutBytes(shared, "[s]\r\n");
    ::chmod(shared.c_str(), 0644);
    EXPECT_TRUE(WriteIni(dir.fileText("shared.ini"), T("s"), T("k"), T("v")));
    struct stat kept {};
    ASSERT_EQ(::stat(shared.c_str(), &kept), 0);
    EXPECT_EQ(kept.st_mode & 07777, 0644u);
    ::umask(previous);
}

TEST(IniFileNameTest, SettingsInAFolderOutsideTheCodePage) {
    TempFolder dir;
    ASSERT_EQ(mkdir(dir.file("jörg").c_str(), 0700), 0);
    const Text file = Text::fromFileSystem(dir.file("jörg")) + T("/Peizhi.ini");
    EXPECT_TRUE(WriteIni(file, T("窗口位置"), T("主窗口左边"), T("120")));
    EXPECT_EQ(GetBytes(dir.file("jörg/Peizhi.ini")), Gbk("[窗口位置]\r\n主窗口左边=120\r\n"));
    EXPECT_EQ(ReadIni(file, T("窗口位置"), T("主窗口左边")).toUtf8(), "120");
}
