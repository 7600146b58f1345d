#pragma once
// Text rules shared by the spreadsheet and the text import: initials (the
// contacts' rule), the clean-up of cells read from a workbook, the photo file
// beside a workbook, and the decoding of a text file chosen for import.

#include "contacts/initials.h"
#include "services/core/text.h"
#include "services/core/value.h"

#include <optional>
#include <string_view>

// A cell read from a workbook, as the address book should store it:
//  - a whole number arrives as its digits, a point and zeros ("13800138000.00000000"):
//    the point and the zeros go;
//  - a date at midnight arrives as "1980-01-06 00:00:00": the time goes.
// Anything else (3.50000000, 1.00050000, "No.000 Road", ...) stays as it is.
Text NormaliseSheetCell(const Text& cell);

// The picture file of a contact's photo beside a workbook: folder + mobile +
// ".bmp". Nothing for a mobile number that cannot name a file in that folder
// (empty, "." or "..", or holding a path separator or a zero byte).
std::optional<Text> PhotoFileName(const Text& folder, const Text& mobile);

// The folder part of a chosen file name, up to and including its last "/";
// empty when it has none.
Text FolderOf(const Text& fileName);

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short at the end.
bool IsValidUtf8(std::string_view bytes);

// A text file's content as the application's text.
struct DecodedTextFile {
    Text text;
    bool binary = false;  // holds zero bytes outside a UTF-16 text: not a text file
};

// UTF-8 with or without a byte order mark, and UTF-16 with one, are
// converted; anything else is taken as GBK as it is. The text ends at the
// first byte 0x1A (the old end-of-file mark).
DecodedTextFile DecodeTextFile(const Bytes& bytes);

// Content of an edit box with "\r\n" line breaks (the widgets keep "\n").
class Control;
Text EditBoxText(const Control& box);
