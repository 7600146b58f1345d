#include "readers.h"

#include <freexl.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>

namespace {

const char* const kPython = "/usr/bin/python3";

// Prints the first sheet's cells as JSON: [row, column, kind, value, format].
const char* const kXlrdScript = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, ragged_rows=True)
sh = book.sheet_by_index(0)
cells = []
for r in range(sh.nrows):
    for c in range(sh.row_len(r)):
        cell = sh.cell(r, c)
        fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
        if cell.ctype == xlrd.XL_CELL_TEXT:
            cells.append([r, c, "s", cell.value, fmt])
        elif cell.ctype == xlrd.XL_CELL_NUMBER:
            cells.append([r, c, "n", cell.value, fmt])
        elif cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            cells.append([r, c, "?", str(cell.value), fmt])
json.dump({"sheets": book.nsheets, "name": sh.name, "cells": cells}, sys.stdout)
)";

}  // namespace

std::string NumberCell(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "n:%.17g", v);
    return buf;
}

std::string TextCell(const std::string& utf8) { return "s:" + utf8; }

ReadBack ReadWithFreeXL(const std::string& path) {
    ReadBack rb;
    const void* handle = nullptr;
    int rc = freexl_open(path.c_str(), &handle);
    if (rc != FREEXL_OK) {
        rb.error = "freexl_open failed: " + std::to_string(rc);
        if (handle) freexl_close(handle);
        return rb;
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    rb.sheetCount = static_cast<int>(count);
    const char* name = nullptr;
    if (freexl_get_worksheet_name(handle, 0, &name) == FREEXL_OK && name) rb.sheetName = name;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK) {
        rb.error = "cannot select sheet 0";
        freexl_close(handle);
        return rb;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    freexl_worksheet_dimensions(handle, &rows, &columns);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                rb.error = "cannot read cell " + std::to_string(r) + "," + std::to_string(c);
                freexl_close(handle);
                return rb;
            }
            switch (v.type) {
            case FREEXL_CELL_NULL: break;
            case FREEXL_CELL_INT: rb.cells[{r, c}] = NumberCell(v.value.int_value); break;
            case FREEXL_CELL_DOUBLE: rb.cells[{r, c}] = NumberCell(v.value.double_value); break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT: rb.cells[{r, c}] = TextCell(v.value.text_value); break;
            default: rb.cells[{r, c}] = std::string("?:") + v.value.text_value; break;
            }
        }
    }
    freexl_close(handle);
    rb.ok = true;
    return rb;
}

bool XlrdAvailable() {
    QProcess p;
    p.start(kPython, {"-I", "-c", "import xlrd"});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

ReadBack ReadWithXlrd(const std::string& path) {
    ReadBack rb;
    QProcess p;
    p.start(kPython, {"-I", "-c", kXlrdScript, QString::fromStdString(path)});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        rb.error = "xlrd failed: " + p.readAllStandardError().toStdString();
        return rb;
    }
    QJsonParseError err;
    QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &err);
    if (err.error != QJsonParseError::NoError) {
        rb.error = "bad JSON from xlrd: " + err.errorString().toStdString();
        return rb;
    }
    QJsonObject root = doc.object();
    rb.sheetCount = root["sheets"].toInt();
    rb.sheetName = root["name"].toString().toStdString();
    for (const QJsonValue& v : root["cells"].toArray()) {
        QJsonArray a = v.toArray();
        std::pair<std::uint32_t, std::uint32_t> at{static_cast<std::uint32_t>(a[0].toInt()),
                                                   static_cast<std::uint32_t>(a[1].toInt())};
        QString kind = a[2].toString();
        if (kind == "s") rb.cells[at] = TextCell(a[3].toString().toStdString());
        else if (kind == "n") rb.cells[at] = NumberCell(a[3].toDouble());
        else rb.cells[at] = "?:" + a[3].toString().toStdString();
        rb.formats[at] = a[4].toString().toStdString();
    }
    rb.ok = true;
    return rb;
}
