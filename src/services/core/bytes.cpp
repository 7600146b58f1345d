// Byte arrays: stored forms of values (little-endian, as the values are kept
// in memory) and reading values back out of them.

#include "services/core/core.h"
#include "services/core/message.h"
#include "services/core/value_bytes.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr double kFirstDay = -657434;  // 100-01-01
constexpr double kLastDay = 2958465;   // 9999-12-31

template <class N>
void AppendStored(Bytes& out, N value) {
    unsigned char raw[sizeof(N)];
    std::memcpy(raw, &value, sizeof(N));
    // The stored form is least significant byte first on every platform.
    if constexpr (std::endian::native == std::endian::big) std::reverse(raw, raw + sizeof(N));
    for (unsigned char byte : raw) out.push_back(byte);
}

template <class N>
N ReadStored(const Bytes& b, std::size_t offset) {
    unsigned char raw[sizeof(N)] = {};
    for (std::size_t i = 0; i < sizeof(N) && offset < b.size() && i < b.size() - offset; ++i) raw[i] = b[offset + i];
    if constexpr (std::endian::native == std::endian::big) std::reverse(raw, raw + sizeof(N));
    N value;
    std::memcpy(&value, raw, sizeof(N));
    return value;
}

Value ZeroOf(int type) {
    switch (type) {
    case 1: return std::uint8_t{0};
    case 2: return std::int16_t{0};
    case 3: return std::int32_t{0};
    case 4: return std::int64_t{0};
    case 5: return 0.0f;
    case 6: return 0.0;
    case 7: return false;
    case 8: return DateTime{};
    case 9: return Subroutine{};
    default: return Text();
    }
}

// Reads one value of `type` at 0-based `offset`; `consumed` receives how far
// a position variable advances.
Value ReadValue(const Bytes& b, int type, std::size_t offset, std::size_t& consumed) {
    switch (type) {
    case 1: consumed = 1; return ReadStored<std::uint8_t>(b, offset);
    case 2: consumed = 2; return ReadStored<std::int16_t>(b, offset);
    case 3: consumed = 4; return ReadStored<std::int32_t>(b, offset);
    case 4: consumed = 8; return ReadStored<std::int64_t>(b, offset);
    case 5: consumed = 4; return ReadStored<float>(b, offset);
    case 6: consumed = 8; return ReadStored<double>(b, offset);
    case 7: consumed = 4; return ReadStored<std::uint32_t>(b, offset) != 0;
    case 8: consumed = 8; return DateTime{ClampedDays(ReadStored<double>(b, offset))};
    case 9: consumed = 4; return Subroutine{ReadStored<std::uint32_t>(b, offset)};
    default: {
        std::size_t end = offset;
        while (end < b.size() && b[end] != 0) ++end;
        consumed = end - std::min(offset, end) + (end < b.size() ? 1 : 0);
        if (offset >= b.size()) return Text();
        return Text::fromBytes(reinterpret_cast<const char*>(b.data()) + offset, end - offset);
    }
    }
}

template <class N>
Bytes Stored(N x) {
    Bytes out;
    AppendStored(out, x);
    return out;
}

void RequireValidType(int type) {
    if (type < 1 || type > 10) FatalRuntimeError(T("“欲取出数据的类型”参数值无效"));
}

}  // namespace

Bytes StoredBytes(const NumberArray& array) {
    Bytes out;
    std::visit(
        [&](const auto& elements) {
            for (auto e : elements) AppendStored(out, e);
        },
        array);
    return out;
}

double ClampedDays(double days) {
    if (std::isnan(days)) return 0;
    return std::clamp(days, kFirstDay, kLastDay);
}

int BytesLength(const Bytes& b) { return static_cast<int>(std::min<std::size_t>(b.size(), INT32_MAX)); }

Bytes ToBytes(const Value& v) {
    struct Visitor {
        Bytes operator()(std::uint8_t x) const { return Stored(x); }
        Bytes operator()(std::int16_t x) const { return Stored(x); }
        Bytes operator()(std::int32_t x) const { return Stored(x); }
        Bytes operator()(std::int64_t x) const { return Stored(x); }
        Bytes operator()(float x) const { return Stored(x); }
        Bytes operator()(double x) const { return Stored(x); }
        Bytes operator()(bool x) const { return Stored<std::int32_t>(x ? 1 : 0); }
        Bytes operator()(DateTime x) const { return Stored(x.days); }
        Bytes operator()(Subroutine x) const { return Stored(x.address); }
        Bytes operator()(const Text& x) const { return BytesOf(x); }
        Bytes operator()(const Bytes& x) const { return x; }
        Bytes operator()(const NumberArray& x) const { return StoredBytes(x); }
        Bytes operator()(OtherArray) const { return Bytes(); }
    };
    return std::visit(Visitor{}, v);
}

Value BytesValue(const Bytes& b, int type, int* position) {
    RequireValidType(type);
    if (!position) return BytesValueAt(b, type, 1);
    if (*position <= 0) return ZeroOf(type);
    std::size_t offset = static_cast<std::size_t>(*position) - 1;
    std::size_t consumed = 0;
    Value v = ReadValue(b, type, offset, consumed);
    unsigned long long next = static_cast<unsigned long long>(offset) + consumed;
    *position = next >= b.size() ? -1 : static_cast<int>(next + 1);
    return v;
}

Value BytesValueAt(const Bytes& b, int type, int position) {
    RequireValidType(type);
    if (position <= 0) return ZeroOf(type);
    std::size_t consumed = 0;
    return ReadValue(b, type, static_cast<std::size_t>(position) - 1, consumed);
}

Bytes ZeroBytes(int n) {
    if (n <= 0) return Bytes();
    try {
        return Bytes(static_cast<std::size_t>(n), 0);
    } catch (const std::bad_alloc&) {
        return Bytes();
    }
}
