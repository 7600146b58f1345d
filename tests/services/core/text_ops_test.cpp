// Text operations on GBK byte strings: slices, searches, trimming, splitting.

#include "services/core/core.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

Text B(const char* bytes) { return Text::fromBytes(bytes); }

std::vector<std::string> Utf8(const TextArray& parts) {
    std::vector<std::string> out;
    for (const Text& p : parts) out.push_back(p.toUtf8());
    return out;
}

}  // namespace

TEST(TextSlices, LengthCountsBytes) {
    EXPECT_EQ(TextLength(T("张三abc")), 7);
    EXPECT_EQ(TextLength(Text()), 0);
}

TEST(TextSlices, LeftText) {
    EXPECT_EQ(LeftText(B("abc"), 2), B("ab"));
    EXPECT_EQ(LeftText(B("abc"), 0), Text());
    EXPECT_EQ(LeftText(B("abc"), -5), Text());
    EXPECT_EQ(LeftText(B("abc"), INT_MAX), B("abc"));
    EXPECT_EQ(LeftText(B("abc"), INT_MIN), Text());
    // Half a character is allowed.
    Text half = LeftText(T("张三"), 1);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_EQ(half.at(0), T("张").at(0));
}

TEST(TextSlices, MidText) {
    EXPECT_EQ(MidText(B("abc"), 3, 5), B("c"));
    EXPECT_EQ(MidText(B("abc"), 4, 1), Text());
    EXPECT_EQ(MidText(B("abc"), 0, 2), Text());
    EXPECT_EQ(MidText(B("abc"), 2, 0), Text());
    EXPECT_EQ(MidText(B("abc"), 2, -1), Text());
    EXPECT_EQ(MidText(B("abc"), INT_MAX, INT_MAX), Text());
    EXPECT_EQ(MidText(B("abc"), INT_MIN, 3), Text());
    EXPECT_EQ(MidText(B("abc"), 1, INT_MAX), B("abc"));
    EXPECT_EQ(MidText(T("张三丰"), 3, 2), T("三"));
    EXPECT_EQ(MidText(Text(), 1, 1), Text());
}

TEST(TextSlices, CharFromCode) {
    EXPECT_EQ(CharFromCode('A'), B("A"));
    EXPECT_EQ(CharFromCode(0), Text());
    EXPECT_EQ(CharFromCode(0xB0).size(), 1u);
}

TEST(FindTextTest, FindsFirstOccurrence) {
    EXPECT_EQ(FindText(B("abcabc"), B("bc")), 2);
    EXPECT_EQ(FindText(B("abcabc"), B("bc"), 3), 5);
    EXPECT_EQ(FindText(B("abcabc"), B("x")), -1);
    EXPECT_EQ(FindText(B("abc"), B("abcd")), -1);
    EXPECT_EQ(FindText(B("abc"), B("c"), 3), 3);
    EXPECT_EQ(FindText(B("abc"), B("c"), 4), -1);
    EXPECT_EQ(FindText(B("abc"), B("a"), INT_MIN), 1);
    EXPECT_EQ(FindText(B("abc"), B("a"), INT_MAX), -1);
}

TEST(FindTextTest, EmptyWanted) {
    EXPECT_EQ(FindText(B("abc"), Text()), 1);
    EXPECT_EQ(FindText(Text(), Text()), -1);
    EXPECT_EQ(FindText(B("abc"), Text(), 4), -1);
    EXPECT_EQ(FindTextReverse(B("abc"), Text()), 1);
    EXPECT_EQ(FindTextReverse(Text(), Text()), -1);
}

TEST(FindTextTest, NeverMatchesOnSecondByte) {
    // 0xB0 0xA1 is 啊; searching for its trail byte followed by "a" must not
    // match across the character boundary.
    Text text =
        B("\xB0\xA1"
          "a");
    EXPECT_EQ(FindText(text, B("\xA1"
                               "a")),
              -1);
    EXPECT_EQ(FindTextReverse(text, B("\xA1"
                                      "a")),
              -1);
    // An ASCII trail byte: 0x81 0x40 is one character; "@" alone is not in it.
    Text asciiTrail = B("\x81\x40x@");
    EXPECT_EQ(FindText(asciiTrail, B("@")), 4);
    EXPECT_EQ(FindTextReverse(B("\x81\x40"), B("@")), -1);
    // A start pointing into a character cannot make a match begin there.
    EXPECT_EQ(FindText(B("\x81\x40@"), B("@"), 2), 3);
}

TEST(FindTextTest, IgnoreCaseOnlyForAsciiLetters) {
    EXPECT_EQ(FindText(B("Hello World"), B("WORLD"), std::nullopt, true), 7);
    EXPECT_EQ(FindText(B("Hello World"), B("WORLD")), -1);
    // 0x81 0x41 and 0x81 0x61 are different characters even ignoring case.
    EXPECT_EQ(FindText(B("\x81\x41"), B("\x81\x61"), std::nullopt, true), -1);
    EXPECT_EQ(FindText(T("张三Abc"), T("三aBC"), std::nullopt, true), 3);
}

TEST(FindTextTest, TextEndingInHalfCharacter) {
    Text text = B("ab\xB0");
    EXPECT_EQ(FindText(text, B("\xB0")), 3);
    EXPECT_EQ(FindText(text, B("\xB0\xA1")), -1);
    EXPECT_EQ(FindTextReverse(text, B("b")), 2);
    EXPECT_EQ(TrimSpaces(text), text);
    EXPECT_EQ(SplitText(text, B("\xB0")).size(), 1u);
}

TEST(FindTextReverseTest, LastSeparatorOfPath) {
    EXPECT_EQ(FindTextReverse(B("/home/user/photo.jpg"), B("/")), 11);
    EXPECT_EQ(FindTextReverse(B("photo.jpg"), B("/")), -1);
    EXPECT_EQ(FindTextReverse(T("照片/张三/头像.bmp"), B("/")), 10);
}

TEST(FindTextReverseTest, StartLimitsCoveredPart) {
    // Covers the first start-1 bytes; the match must lie wholly inside.
    EXPECT_EQ(FindTextReverse(B("abcabc"), B("bc"), 7), 5);
    EXPECT_EQ(FindTextReverse(B("abcabc"), B("bc"), 6), 2);
    EXPECT_EQ(FindTextReverse(B("abcabc"), B("a"), 1), -1);
    EXPECT_EQ(FindTextReverse(B("abcabc"), B("a"), INT_MIN), -1);
    EXPECT_EQ(FindTextReverse(B("abcabc"), B("c"), INT_MAX), 6);
    EXPECT_EQ(FindTextReverse(B("aBc"), B("b"), std::nullopt, true), 2);
}

TEST(TrimSpacesTest, AsciiAndFullWidthSpaces) {
    EXPECT_EQ(TrimSpaces(B("  ab c  ")), B("ab c"));
    EXPECT_EQ(TrimSpaces(T("　张三　 ")), T("张三"));
    EXPECT_EQ(TrimSpaces(B("\tab\r\n")), B("\tab\r\n"));
    EXPECT_EQ(TrimSpaces(B("   ")), Text());
    EXPECT_EQ(TrimSpaces(Text()), Text());
    EXPECT_EQ(TrimSpaces(T("张　三")), T("张　三"));
    // A trailing 0xA1 0xA1 that is really the end of one character and the
    // start of another is not a space: 0xB0 0xA1 0xA1 0xA1 is 啊 then a full-width space.
    EXPECT_EQ(TrimSpaces(B("\xB0\xA1\xA1\xA1")), B("\xB0\xA1"));
    // 0xA1 0xA1 straddling two characters: 0xC1 0xA1 | 0xA1 0xA2.
    EXPECT_EQ(TrimSpaces(B("\xC1\xA1\xA1\xA2")), B("\xC1\xA1\xA1\xA2"));
    // A lone 0xA1 at the end is half a character, not a space.
    EXPECT_EQ(TrimSpaces(B("a\xA1")), B("a\xA1"));
}

TEST(SplitTextTest, Examples) {
    EXPECT_EQ(Utf8(SplitText(B("a,,b,"))), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Utf8(SplitText(B("a,,b,"), B(","), 2)), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitText(B("a,b"), B(","), 0).empty());
    EXPECT_TRUE(SplitText(B("a,b"), B(","), -3).empty());
    EXPECT_TRUE(SplitText(Text()).empty());
    EXPECT_EQ(Utf8(SplitText(B("a,b"), Text())), (std::vector<std::string>{"a,b"}));
    EXPECT_EQ(Utf8(SplitText(B(",a"))), (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(Utf8(SplitText(B("abc"), B(","), INT_MAX)), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(Utf8(SplitText(B("a||b||c"), B("||"))), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(SplitTextTest, DelimiterNeverSplitsACharacter) {
    // 0xB1 0x7C is one character whose trail byte is "|".
    Text text = B("x\xB1|y|z");
    EXPECT_EQ(SplitText(text, B("|")), (TextArray{B("x\xB1|y"), B("z")}));
    EXPECT_EQ(Utf8(SplitText(T("张三，李四，王五"), T("，"))), (std::vector<std::string>{"张三", "李四", "王五"}));
}

// The euro sign is the code page's one byte 0x80, not the start of a
// two-byte character: the byte after it is a character of its own.
TEST(EuroSignTest, EveryWalkStepsOverItAsOneByte) {
    EXPECT_EQ(Utf8(SplitText(T("张三€,13800138000"), B(","))), (std::vector<std::string>{"张三€", "13800138000"}));
    EXPECT_EQ(Utf8(SplitText(T("€|€|"), B("|"))), (std::vector<std::string>{"€", "€"}));
    EXPECT_EQ(FindText(T("€a"), B("a")), 2);
    EXPECT_EQ(FindText(T("€A"), B("a"), std::nullopt, true), 2);
    EXPECT_EQ(FindTextReverse(T("/€/x"), B("/")), 3);
    EXPECT_EQ(TrimSpaces(T("€ ")), T("€"));
    EXPECT_EQ(TrimSpaces(T("€　")), T("€"));
    // A byte that cannot follow a lead byte is not swallowed by it either.
    EXPECT_EQ(SplitText(B("\x81,a"), B(",")).size(), 2u);
    EXPECT_EQ(FindText(B("\xB0\x7F"), B("\x7F")), 2);
}
