#pragma once
// The program's side of the sheet reader (see services/db/sheet_reader.h).

#include <string>

namespace dbdetail {

struct SheetReaderAnswer {
    std::string bytes;    // everything the reader wrote, when it ended well
    std::string failure;  // empty when it did; else why not
};

// Runs the current sheet reader on the workbook and waits for its answer.
SheetReaderAnswer RunSheetReaderOn(const std::string& workbook);

}  // namespace dbdetail
