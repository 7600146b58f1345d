// Files: existence, whole-file reads and writes, OpenFile sharing and ReadFileText.

#include "services/core/core.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <fstream>

namespace {

void Put(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(FileExistsTest, FilesFoldersAndWildcards) {
    TempFolder dir;
    Put(dir.file("张三.jpg"), "x");
    EXPECT_TRUE(FileExists(dir.fileText("张三.jpg")));
    EXPECT_TRUE(FileExists(Text::fromUtf8(dir.path())));
    EXPECT_FALSE(FileExists(dir.fileText("李四.jpg")));
    EXPECT_TRUE(FileExists(dir.fileText("*.jpg")));
    EXPECT_TRUE(FileExists(dir.fileText("张?.jpg")));
    EXPECT_FALSE(FileExists(dir.fileText("*.bmp")));
    EXPECT_FALSE(FileExists(Text()));
}

TEST(FileExistsTest, BracketsAreNotWildcards) {
    TempFolder dir;
    Put(dir.file("a[1].txt"), "x");
    Put(dir.file("b.txt"), "x");
    EXPECT_TRUE(FileExists(dir.fileText("a[1].txt")));
    EXPECT_FALSE(FileExists(dir.fileText("[ab].txt")));
}

TEST(ReadWriteFileTest, RoundTrip) {
    TempFolder dir;
    Text name = dir.fileText("照片.bin");
    Bytes data{0, 1, 2, 0xFF};
    EXPECT_TRUE(WriteFile(name, std::vector<Bytes>{data, Bytes{}, Bytes{9}}));
    EXPECT_EQ(ReadFile(name), (Bytes{0, 1, 2, 0xFF, 9}));
    // Writing again empties the file first.
    EXPECT_TRUE(WriteFile(name, Bytes{7}));
    EXPECT_EQ(ReadFile(name), (Bytes{7}));
}

TEST(ReadWriteFileTest, OnlyEmptyArraysCreateAnEmptyFile) {
    TempFolder dir;
    Text name = dir.fileText("empty");
    EXPECT_TRUE(WriteFile(name, std::vector<Bytes>{Bytes{}, Bytes{}}));
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(Get(dir.file("empty")), "");
    EXPECT_TRUE(ReadFile(name).empty());
}

TEST(ReadWriteFileTest, Failures) {
    TempFolder dir;
    EXPECT_TRUE(ReadFile(Text()).empty());
    EXPECT_TRUE(ReadFile(dir.fileText("missing")).empty());
    EXPECT_TRUE(ReadFile(Text::fromUtf8(dir.path())).empty());  // a folder
    EXPECT_FALSE(WriteFile(Text(), Bytes{1}));
    EXPECT_FALSE(WriteFile(dir.fileText("no/such/folder/x"), Bytes{1}));
    EXPECT_FALSE(WriteFile(Text::fromUtf8(dir.path()), Bytes{1}));
}

TEST(ReadWriteFileTest, FifoDoesNotHang) {
    TempFolder dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_TRUE(ReadFile(dir.fileText("pipe")).empty());
    EXPECT_FALSE(WriteFile(dir.fileText("pipe"), Bytes{1}));
}

TEST(OpenFileTest, ArgumentChecks) {
    TempFolder dir;
    Put(dir.file("f"), "abc");
    EXPECT_EQ(OpenFile(Text()), 0);
    EXPECT_EQ(OpenFile(dir.fileText("f"), 0), 0);
    EXPECT_EQ(OpenFile(dir.fileText("f"), 7), 0);
    EXPECT_EQ(OpenFile(dir.fileText("f"), 1, 0), 0);
    EXPECT_EQ(OpenFile(dir.fileText("f"), 1, 5), 0);
    EXPECT_EQ(OpenFile(dir.fileText("f"), INT_MIN, INT_MAX), 0);
}

TEST(OpenFileTest, Modes) {
    TempFolder dir;
    Put(dir.file("keep"), "abc");
    // 1-3 need the file; 4-6 create it.
    EXPECT_EQ(OpenFile(dir.fileText("missing1"), 1), 0);
    EXPECT_EQ(OpenFile(dir.fileText("missing2"), 2), 0);
    EXPECT_EQ(OpenFile(dir.fileText("missing3"), 3), 0);
    EXPECT_NE(OpenFile(dir.fileText("new5"), 5), 0);
    EXPECT_TRUE(FileExists(dir.fileText("new5")));
    EXPECT_NE(OpenFile(dir.fileText("new6"), 6), 0);

    int f = OpenFile(dir.fileText("keep"), 6);
    ASSERT_NE(f, 0);
    EXPECT_EQ(ReadFileText(f), Text::fromBytes("abc"));  // 6 keeps the content

    Put(dir.file("trunc"), "abc");
    EXPECT_NE(OpenFile(dir.fileText("trunc"), 4), 0);
    EXPECT_EQ(Get(dir.file("trunc")), "");  // 4 empties it

    // A write-only file cannot be read.
    int w = OpenFile(dir.fileText("new5"), 2);
    ASSERT_NE(w, 0);
    EXPECT_EQ(ReadFileText(w), Text());
}

TEST(OpenFileTest, SharingModes) {
    TempFolder dir;
    Put(dir.file("s"), "abc");
    Text name = dir.fileText("s");

    // 3: others may not write, but may read.
    ASSERT_NE(OpenFile(name, 1, 3), 0);
    EXPECT_EQ(ReadFile(name), (Bytes{'a', 'b', 'c'}));
    EXPECT_FALSE(WriteFile(name, Bytes{'x'}));
    EXPECT_EQ(OpenFile(name, 3, 1), 0);
    EXPECT_EQ(Get(dir.file("s")), "abc");  // a refused write did not empty it

    Put(dir.file("t"), "abc");
    Text other = dir.fileText("t");
    // 2: others may not read.
    ASSERT_NE(OpenFile(other, 2, 2), 0);
    EXPECT_TRUE(ReadFile(other).empty());
    EXPECT_EQ(OpenFile(other, 1, 1), 0);
    EXPECT_NE(OpenFile(other, 2, 1), 0);  // writing is still shared

    Put(dir.file("u"), "abc");
    Text third = dir.fileText("u");
    // 1 with write access: a reader that denies writing is refused.
    ASSERT_NE(OpenFile(third, 3, 1), 0);
    EXPECT_TRUE(ReadFile(third).empty());
    EXPECT_NE(OpenFile(third, 1, 1), 0);

    Put(dir.file("v"), "abc");
    // 4: nobody else at all.
    ASSERT_NE(OpenFile(dir.fileText("v"), 1, 4), 0);
    EXPECT_EQ(OpenFile(dir.fileText("v"), 1, 1), 0);
    EXPECT_TRUE(ReadFile(dir.fileText("v")).empty());
}

TEST(OpenFileTest, SharingHoldsAcrossProcesses) {
    TempFolder dir;
    Put(dir.file("x"), "abc");
    Text name = dir.fileText("x");
    ASSERT_NE(OpenFile(name, 3, 4), 0);
    pid_t child = fork();
    if (child == 0) {
        // A separate open in another process is refused too.
        _exit(ReadFile(name).empty() && !WriteFile(name, Bytes{1}) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ReadFileTextTest, WholeFileAndMaximum) {
    TempFolder dir;
    Put(dir.file("t"), "hello world");
    int f = OpenFile(dir.fileText("t"));
    ASSERT_NE(f, 0);
    EXPECT_EQ(ReadFileText(f, 5), Text::fromBytes("hello"));
    EXPECT_EQ(ReadFileText(f), Text::fromBytes(" world"));
    EXPECT_EQ(ReadFileText(f), Text());
    EXPECT_EQ(ReadFileText(f, 0), Text());
    EXPECT_EQ(ReadFileText(f, INT_MIN), Text());
    EXPECT_EQ(ReadFileText(0), Text());
    EXPECT_EQ(ReadFileText(-1), Text());
    EXPECT_EQ(ReadFileText(987654), Text());
}

TEST(ReadFileTextTest, HugeMaximumReadsWhatThereIs) {
    TempFolder dir;
    Put(dir.file("t"), "abc");
    int f = OpenFile(dir.fileText("t"), 1);
    EXPECT_EQ(ReadFileText(f, INT_MAX), Text::fromBytes("abc"));
}

TEST(ReadFileTextTest, EndsAtZeroOrEndOfFileMark) {
    TempFolder dir;
    Put(dir.file("z"), std::string("ab\0cd", 5));
    int f = OpenFile(dir.fileText("z"), 1);
    EXPECT_EQ(ReadFileText(f), Text::fromBytes("ab"));
    // The position is left at the terminating byte.
    EXPECT_EQ(ReadFileText(f), Text());

    Put(dir.file("e"),
        "ab\x1A"
        "cd");
    int g = OpenFile(dir.fileText("e"), 1);
    EXPECT_EQ(ReadFileText(g), Text::fromBytes("ab"));

    // A lead byte right before the zero byte is dropped.
    Put(dir.file("l"), std::string("ab\xB0\0cd", 6));
    int h = OpenFile(dir.fileText("l"), 1);
    EXPECT_EQ(ReadFileText(h), Text::fromBytes("ab"));

    // The euro sign 0x80 is one byte: the mark after it still ends the text.
    Put(dir.file("euro"),
        "ab\x80\x1A"
        "cd");
    int euro = OpenFile(dir.fileText("euro"), 1);
    EXPECT_EQ(ReadFileText(euro), Text::fromBytes("ab\x80"));

    // A whole two-byte character is kept; a half one at the very end too.
    Put(dir.file("c"), "\xD5\xC5\xB0");
    int c = OpenFile(dir.fileText("c"), 1);
    EXPECT_EQ(ReadFileText(c), Text::fromBytes("\xD5\xC5\xB0"));
}

TEST(FileNamesTest, NamesOutsideTheCodePageAreFound) {
    TempFolder dir;
    for (const std::string name : {"Straße.txt", "😀.xls", "jörg", "\xE9t\xE9.txt"}) {
        const Text file = Text::fromFileSystem(dir.file(name));
        EXPECT_TRUE(WriteFile(file, Bytes{'o', 'k'})) << name;
        EXPECT_EQ(Get(dir.file(name)), "ok") << name;
        EXPECT_TRUE(FileExists(file)) << name;
        EXPECT_EQ(ReadFile(file), (Bytes{'o', 'k'})) << name;
        const int f = OpenFile(file, 1);
        EXPECT_GT(f, 0) << name;
        EXPECT_EQ(ReadFileText(f), Text::fromBytes("ok")) << name;
    }
    // Not the name with a question mark (a wildcard) in place of what GBK lacks.
    Put(dir.file("Stra?e.txt"), "wrong");
    Put(dir.file("Straße.txt"), "right");
    EXPECT_EQ(ReadFile(Text::fromFileSystem(dir.file("Straße.txt"))), (Bytes{'r', 'i', 'g', 'h', 't'}));
}
