#include "services/sheet/compound_file.h"

#include "services/sheet/byte_sink.h"

#include <algorithm>

namespace sheet {

namespace {

constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

constexpr std::size_t kEntriesPerSector = kSectorSize / 4;      // FAT entries per sector
constexpr std::size_t kDifatPerSector = kEntriesPerSector - 1;  // the last one chains
constexpr std::size_t kHeaderDifat = 109;
constexpr std::size_t kDirEntrySize = 128;

std::size_t sectorsFor(std::size_t bytes) { return (bytes + kSectorSize - 1) / kSectorSize; }

enum class EntryType : unsigned { Empty = 0, Stream = 2, Root = 5 };

void directoryEntry(ByteSink& out, const std::u16string& name, EntryType type, std::uint32_t child, std::uint32_t start,
                    std::uint64_t size) {
    for (char16_t c : name) out.u16(c);
    out.zeros(64 - 2 * name.size());
    out.u16(name.empty() ? 0 : static_cast<unsigned>(2 * (name.size() + 1)));  // with the terminating zero
    out.u8(static_cast<unsigned>(type));
    out.u8(type == EntryType::Empty ? 0 : 1);  // black
    out.u32(kNoStream);                        // left sibling
    out.u32(kNoStream);                        // right sibling
    out.u32(child);
    out.zeros(16);  // class id
    out.u32(0);     // state bits
    out.zeros(16);  // creation and modification times
    out.u32(start);
    out.u64(size);
}

std::size_t paddedSize(std::size_t streamSize) { return std::max(streamSize, kMiniStreamCutoff); }

}  // namespace

std::size_t CompoundFileTail(std::size_t streamSize) {
    return sectorsFor(paddedSize(streamSize)) * kSectorSize - streamSize;
}

std::optional<std::vector<unsigned char>> CompoundFileHead(const std::u16string& streamName, std::size_t actualSize) {
    if (streamName.empty() || streamName.size() > 31) return std::nullopt;
    if (actualSize > kMaxStreamSize) return std::nullopt;

    const std::size_t streamSize = paddedSize(actualSize);
    const std::size_t streamSectors = sectorsFor(streamSize);
    const std::size_t directorySectors = 1;

    // FAT sectors must map every sector, themselves and the DIFAT sectors included.
    std::size_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        difatSectors =
            fatSectors > kHeaderDifat ? (fatSectors - kHeaderDifat + kDifatPerSector - 1) / kDifatPerSector : 0;
        std::size_t total = fatSectors + difatSectors + directorySectors + streamSectors;
        std::size_t needed = (total + kEntriesPerSector - 1) / kEntriesPerSector;
        if (needed <= fatSectors) break;
        fatSectors = needed;
    }
    const std::uint32_t firstDifat = static_cast<std::uint32_t>(fatSectors);
    const std::uint32_t directorySector = static_cast<std::uint32_t>(fatSectors + difatSectors);
    const std::uint32_t firstStreamSector = directorySector + directorySectors;

    ByteSink out;
    out.bytes().reserve((1 + fatSectors + difatSectors + directorySectors) * kSectorSize);

    // Header.
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    out.append(signature, 8);
    out.zeros(16);    // class id
    out.u16(0x003E);  // minor version
    out.u16(0x0003);  // major version: 512-byte sectors
    out.u16(0xFFFE);  // little-endian
    out.u16(9);       // sector shift: 512
    out.u16(6);       // mini sector shift: 64
    out.zeros(6);
    out.u32(0);  // directory sector count: always 0 in version 3
    out.u32(static_cast<std::uint32_t>(fatSectors));
    out.u32(directorySector);
    out.u32(0);  // transaction signature
    out.u32(kMiniStreamCutoff);
    out.u32(kEndOfChain);  // no mini FAT
    out.u32(0);
    out.u32(difatSectors ? firstDifat : kEndOfChain);
    out.u32(static_cast<std::uint32_t>(difatSectors));
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        out.u32(i < fatSectors ? static_cast<std::uint32_t>(i) : kFreeSector);

    // FAT.
    const std::size_t fatEntries = fatSectors * kEntriesPerSector;
    for (std::size_t s = 0; s < fatEntries; ++s) {
        std::uint32_t v = kFreeSector;
        if (s < fatSectors) v = kFatSector;
        else if (s < directorySector) v = kDifatSector;
        else if (s == directorySector) v = kEndOfChain;
        else if (s < firstStreamSector + streamSectors)
            v = s + 1 == firstStreamSector + streamSectors ? kEndOfChain : static_cast<std::uint32_t>(s + 1);
        out.u32(v);
    }

    // DIFAT sectors: the FAT sectors the header has no room for.
    for (std::size_t d = 0; d < difatSectors; ++d) {
        for (std::size_t i = 0; i < kDifatPerSector; ++i) {
            std::size_t fat = kHeaderDifat + d * kDifatPerSector + i;
            out.u32(fat < fatSectors ? static_cast<std::uint32_t>(fat) : kFreeSector);
        }
        out.u32(d + 1 < difatSectors ? static_cast<std::uint32_t>(firstDifat + d + 1) : kEndOfChain);
    }

    // Directory: the root storage with the one stream as its child.
    directoryEntry(out, u"Root Entry", EntryType::Root, 1, kEndOfChain, 0);
    directoryEntry(out, streamName, EntryType::Stream, kNoStream, firstStreamSector, streamSize);
    for (std::size_t i = 2; i < kSectorSize / kDirEntrySize; ++i)
        directoryEntry(out, u"", EntryType::Empty, kNoStream, 0, 0);

    return std::move(out.bytes());
}

std::optional<std::vector<unsigned char>> BuildCompoundFile(const std::u16string& streamName,
                                                            const std::vector<unsigned char>& stream) {
    auto file = CompoundFileHead(streamName, stream.size());
    if (!file) return std::nullopt;
    file->insert(file->end(), stream.begin(), stream.end());
    file->insert(file->end(), CompoundFileTail(stream.size()), 0);
    return file;
}

}  // namespace sheet
