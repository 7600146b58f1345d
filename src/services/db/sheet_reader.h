#pragma once
// The spreadsheet driver reads every workbook in a child process, the sheet
// reader (varelo-sheet-reader, installed beside the program): workbooks come
// from anywhere, and the library that parses them can crash on a damaged one.
// The reader hands the cells back over a pipe; a crash, a hang past the time
// limit or an answer that does not parse make the connection fail with the
// reason, and the program goes on.

#include <chrono>
#include <string>

struct SheetReader {
    std::string program;  // the reader's path; empty: the installed one
    std::chrono::milliseconds timeLimit{60000};
};

// The reader the spreadsheet driver runs from now on (tests use stand-ins).
void SetSheetReader(const SheetReader& reader);
SheetReader CurrentSheetReader();

// The reader beside the running program, else the one the build made.
std::string InstalledSheetReader();
