#pragma once
// Independent readers of .xls files for the tests: FreeXL (C library) and
// xlrd (Debian's python3-xlrd, run with /usr/bin/python3).

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// Every non-empty cell by (row, column), 0-based: "s:" + UTF-8 text or
// "n:" + the number printed with 17 significant digits.
using CellMap = std::map<std::pair<std::uint32_t, std::uint32_t>, std::string>;

struct ReadBack {
    bool ok = false;
    std::string error;
    int sheetCount = 0;
    std::string sheetName;
    CellMap cells;
    CellMap formats;  // xlrd only: the number format code of every text or number cell
};

std::string NumberCell(double v);
std::string TextCell(const std::string& utf8);

ReadBack ReadWithFreeXL(const std::string& path);

bool XlrdAvailable();
ReadBack ReadWithXlrd(const std::string& path);
