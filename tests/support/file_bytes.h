#pragma once
// Bytes for byte-exact checks: whole files, and texts as GBK.

#include "services/core/text.h"
#include "services/core/value.h"

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// The GBK bytes of a UTF-8 text.
inline std::string Gbk(std::string_view utf8) { return Text::fromUtf8(utf8).bytes(); }

// The file's bytes (UTF-8 path); empty when it cannot be read.
inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file (UTF-8 path) with these bytes.
inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
