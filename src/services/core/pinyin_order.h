#pragma once
// The order of names. Chinese characters go by the spelling of their usual
// reading (the pinyin table), characters of the same spelling by their GBK
// code, so that all names of one surname stay together; Latin letters without
// regard to case and digits keep their code order, before every Chinese
// character, as do the code page's signs; names equal so far go by their
// bytes (capitals first). Every ordering of names in the program goes through
// these weights: SQL ORDER BY (services/db/detail/name_order.h) and the lists.

#include <cstdint>
#include <string_view>

namespace pinyin_order {

// Each weight is below 1 << 22, so three bytes hold it with room to spare.
inline constexpr std::uint32_t kSignBase = 0x010000;        // + code: a two-byte sign or form
inline constexpr std::uint32_t kReadingBase = 0x020000;     // + rank of (spelling, code)
inline constexpr std::uint32_t kUnreadBase = 0x030000;      // + code: a Chinese character without a reading
inline constexpr std::uint32_t kBeyondCodePage = 0x040000;  // + code point: a character GBK lacks
inline constexpr std::uint32_t kStrayByte = 0x200000;       // + byte: a byte that is no character

// A one-byte character of the code page: ASCII (letters in lower case) or the euro sign 0x80.
std::uint32_t OneByteWeight(unsigned char c);
// A two-byte GBK character.
std::uint32_t TwoByteWeight(unsigned char lead, unsigned char trail);

// True for a position of the Chinese character areas (GB2312 levels 1 and 2, GBK/3, GBK/4).
bool IsChineseArea(unsigned char lead, unsigned char trail);

// Compares two GBK texts in name order: <0, 0, >0.
int CompareGbkNames(std::string_view a, std::string_view b);

}  // namespace pinyin_order
