#pragma once
// A compound file (the container of Excel 97-2003 workbooks) holding one
// stream under its root storage.
//
// Layout choices, all within the version-3 format: 512-byte sectors; the FAT
// sectors first, then any DIFAT sectors, one directory sector, then the
// stream's sectors in one run. A stream shorter than the 4096-byte cutoff is
// padded with zero bytes up to it, so that it lives in regular sectors and no
// mini stream or mini FAT is needed; this suits formats whose readers stop at
// an end record, as the workbook stream's do. The header lists the first 109
// FAT sectors; beyond that (streams over about 6.8 MB) DIFAT sectors list the
// rest.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sheet {

inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kMiniStreamCutoff = 4096;
// The largest stream accepted: version-3 files keep sizes in 32 bits and
// readers take them as signed.
inline constexpr std::uint64_t kMaxStreamSize = 0x7FFFFFFFu - 64 * 1024 * 1024;

// The file is the head, then the stream, then CompoundFileTail zero bytes.
// The head (header, FAT, DIFAT and directory sectors) is nothing when the
// stream is too large or its name empty or longer than 31 UTF-16 units.
std::optional<std::vector<unsigned char>> CompoundFileHead(const std::u16string& streamName, std::size_t streamSize);
std::size_t CompoundFileTail(std::size_t streamSize);

// The whole file image in one piece.
std::optional<std::vector<unsigned char>> BuildCompoundFile(const std::u16string& streamName,
                                                            const std::vector<unsigned char>& stream);

}  // namespace sheet
