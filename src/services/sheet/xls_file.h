#pragma once
// Saving a workbook as an Excel 97-2003 file (.xls).

#include "services/core/text.h"
#include "services/sheet/workbook.h"

namespace sheet {

// Writes the workbook to `path` (code page 936, "/" separators). The file is
// written beside the target under a temporary name and renamed over it only
// when every byte is on the disk, so a failed save leaves an existing file as
// it was and no partial file. False when a cell lies beyond row 65,536 or
// column IV, the stream would be too large, or the file cannot be written;
// `failure` then says why.
bool WriteXlsFile(const Workbook& book, const Text& path, Text* failure = nullptr);

}  // namespace sheet
