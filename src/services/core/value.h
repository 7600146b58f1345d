#pragma once
// The simple values that cross between procedures and service operations,
// and the one variant ("any simple value") the converting operations take.

#include "services/core/text.h"

#include <cstdint>
#include <variant>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Days since 1899-12-30, the fraction being the time of day.
struct DateTime {
    double days = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Address of a procedure, stored as its 32-bit value.
struct Subroutine {
    std::uint32_t address = 0;
    friend bool operator==(const Subroutine&, const Subroutine&) = default;
};

// An array of one numeric type, for ToText/ToBytes of number arrays.
using NumberArray = std::variant<std::vector<std::uint8_t>, std::vector<std::int16_t>, std::vector<std::int32_t>,
                                 std::vector<std::int64_t>, std::vector<float>, std::vector<double>>;

// Any other array (a text array, say): converts to empty results.
struct OtherArray {
    friend bool operator==(const OtherArray&, const OtherArray&) = default;
};

using Value = std::variant<std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float, double, bool, DateTime,
                           Subroutine, Text, Bytes, NumberArray, OtherArray>;

inline Bytes BytesOf(const Text& t) { return Bytes(t.bytes().begin(), t.bytes().end()); }
inline Text TextOfBytes(const Bytes& b) { return Text::fromBytes(reinterpret_cast<const char*>(b.data()), b.size()); }
