// Random GBK-like texts through the text operations: results stay inside the
// text, matches begin on character starts, splitting loses nothing.

#include "services/core/core.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

// Bytes from a small alphabet so that matches, delimiters, spaces and
// two-byte characters (including ones with ASCII trail bytes) are frequent.
Text RandomText(std::mt19937& rng, int maxLength) {
    static const unsigned char alphabet[] = {'a', 'b', ',', ' ', 0xA1, 0xB0, 0x81, 0x40, 'A', 0x5D, 0x80, 0x7F};
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1);
    std::string s;
    for (int n = length(rng); n > 0; --n) s += static_cast<char>(alphabet[pick(rng)]);
    return Text::fromBytes(s);
}

// GBK: 0x81-0xFE then 0x40-0xFE but 0x7F make one character; 0x80 (the euro
// sign) and any other byte stand alone.
std::set<int> CharacterStarts(const Text& t) {
    std::set<int> starts;
    for (std::size_t i = 0; i < t.size();) {
        starts.insert(static_cast<int>(i) + 1);
        const bool pair = t.at(i) >= 0x81 && t.at(i) <= 0xFE && i + 1 < t.size() && t.at(i + 1) >= 0x40 &&
                          t.at(i + 1) <= 0xFE && t.at(i + 1) != 0x7F;
        i += pair ? 2 : 1;
    }
    return starts;
}

}  // namespace

TEST(TextPropertiesTest, FindResultsAreRealMatchesOnCharacterStarts) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 20000; ++round) {
        Text text = RandomText(rng, 12);
        Text wanted = RandomText(rng, 3);
        if (wanted.empty()) continue;
        std::set<int> starts = CharacterStarts(text);
        int start = std::uniform_int_distribution<int>(-2, 15)(rng);
        for (int r : {FindText(text, wanted), FindText(text, wanted, start), FindTextReverse(text, wanted),
                      FindTextReverse(text, wanted, start)}) {
            if (r == -1) continue;
            ASSERT_TRUE(starts.count(r)) << text.bytes() << " / " << wanted.bytes() << " at " << r;
            ASSERT_EQ(MidText(text, r, TextLength(wanted)), wanted);
        }
        int forward = FindText(text, wanted, start);
        if (forward != -1) {
            ASSERT_GE(forward, start);
        }
        int backward = FindTextReverse(text, wanted, start);
        if (backward != -1) {
            ASSERT_LE(backward - 1 + TextLength(wanted), std::max(0, start - 1));
        }
        // Without a start, the first and last match agree on whether there is one.
        ASSERT_EQ(FindText(text, wanted) == -1, FindTextReverse(text, wanted) == -1);
    }
}

TEST(TextPropertiesTest, SplitAndJoinGiveTheTextBack) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        Text text = RandomText(rng, 14);
        TextArray parts = SplitText(text);
        Text joined;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0) joined += Text::fromBytes(",");
            joined += parts[i];
        }
        // Only a trailing delimiter is not represented.
        if (joined != text) joined += Text::fromBytes(",");
        ASSERT_EQ(joined, text) << text.bytes();
    }
}

TEST(TextPropertiesTest, TrimAndSlicesStayInside) {
    std::mt19937 rng(99);
    for (int round = 0; round < 20000; ++round) {
        Text text = RandomText(rng, 10);
        Text trimmed = TrimSpaces(text);
        ASSERT_NE(text.bytes().find(trimmed.bytes()), std::string::npos);
        ASSERT_LE(trimmed.size(), text.size());
        if (!trimmed.empty()) {
            ASSERT_NE(trimmed.bytes()[0], ' ');
        }
        int start = std::uniform_int_distribution<int>(-3, 14)(rng);
        int n = std::uniform_int_distribution<int>(-3, 14)(rng);
        Text mid = MidText(text, start, n);
        ASSERT_LE(mid.size(), static_cast<std::size_t>(std::max(0, n)));
        if (!mid.empty()) {
            ASSERT_EQ(text.bytes().substr(static_cast<std::size_t>(start) - 1, mid.size()), mid.bytes());
        }
        ASSERT_EQ(LeftText(text, n).size(), static_cast<std::size_t>(std::clamp(n, 0, TextLength(text))));
    }
}
