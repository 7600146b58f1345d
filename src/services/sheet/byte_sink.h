#pragma once
// Little-endian appends to a byte buffer, the byte order of both the
// compound file and the records inside it.

#include <cstdint>
#include <cstring>
#include <vector>

namespace sheet {

class ByteSink {
public:
    std::vector<unsigned char>& bytes() { return bytes_; }
    const std::vector<unsigned char>& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

    void u8(unsigned v) { bytes_.push_back(static_cast<unsigned char>(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void u64(std::uint64_t v) {
        u32(static_cast<std::uint32_t>(v));
        u32(static_cast<std::uint32_t>(v >> 32));
    }
    void f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u64(bits);
    }
    void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void append(const unsigned char* data, std::size_t n) { bytes_.insert(bytes_.end(), data, data + n); }

    // Overwrites a 16-bit or 32-bit value already written at `at`.
    void patch16(std::size_t at, unsigned v) {
        bytes_[at] = v & 0xFF;
        bytes_[at + 1] = (v >> 8) & 0xFF;
    }
    void patch32(std::size_t at, std::uint32_t v) {
        patch16(at, v & 0xFFFF);
        patch16(at + 2, v >> 16);
    }

private:
    std::vector<unsigned char> bytes_;
};

}  // namespace sheet
