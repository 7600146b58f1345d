#pragma once
// The cells of a workbook as the spreadsheet driver serves them, and their
// form on the pipe between the sheet reader (a child process that opens the
// workbook with FreeXL) and the program. A damaged workbook can crash FreeXL;
// in the child that costs the connection, not the program.
//
// The form: "VSR1", the open result (i32), the sheet count (u32), then per
// sheet: named (u8), name length (u32) and bytes, readable (u8), rows (u32),
// columns (u32), cell count (u32) and its non-empty cells row by row, each
// row (u32), column (u32), kind (u8) and a double or a length (u32) and bytes;
// then "END1". Numbers are little-endian.

#include "services/db/detail/source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbdetail {

struct PlacedCell {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    Cell cell;  // Real, Text or Date
};

struct WorkbookSheet {
    bool named = false;  // FreeXL gave a name
    std::string name;
    bool readable = false;  // FreeXL could select and measure it
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    std::vector<PlacedCell> cells;  // the non-empty ones, row by row, left to right
};

struct WorkbookCells {
    int openCode = 0;  // FreeXL's result of opening the file; 0 opened
    std::vector<WorkbookSheet> sheets;
};

// The largest sheet an Excel 97-2003 workbook holds: 65,536 rows by 256 columns.
inline constexpr std::uint64_t kMostSheetCells = 65536ull * 256;

// What FreeXL reads from the file: every sheet and every non-empty cell,
// numbers as reals and dates as "YYYY-MM-DD HH:MM:SS" texts.
WorkbookCells ReadWorkbookWithFreeXL(const std::string& path);

std::string EncodeWorkbookCells(const WorkbookCells& cells);
// Nothing, with `why` set, for anything but a whole, well-formed answer.
std::optional<WorkbookCells> DecodeWorkbookCells(std::string_view bytes, std::string& why);

// The sheet reader's entry: reads the workbook named by argv[1] and writes
// its cells to standard output. Returns the exit code.
int RunSheetReader(int argc, char** argv);

}  // namespace dbdetail
