#pragma once
// The "Workbook" stream of an Excel 97-2003 file (BIFF8 records): the
// workbook globals (code page 1200, window, fonts, formats, cell styles,
// sheet list, shared strings) and one worksheet substream per sheet with its
// texts (LABELSST), numbers (NUMBER) and formatted blanks (BLANK).

#include "services/sheet/workbook.h"

#include <optional>
#include <vector>

namespace sheet {

// BIFF8 limit on one record's data; longer data goes on in CONTINUE records.
inline constexpr std::size_t kMaxRecordData = 8224;

// The stream, or nothing when a cell lies outside kXlsRows x kXlsColumns or
// the stream could outgrow the compound file's kMaxStreamSize (about 2 GB).
std::optional<std::vector<unsigned char>> BuildWorkbookStream(const Workbook& book);

}  // namespace sheet
