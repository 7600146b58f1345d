#pragma once
// CSV files of contacts (RFC 4180: fields quoted when they hold a comma, a
// quote or a line break, quotes doubled inside; CRLF line ends).
//
// Written as UTF-8 with a byte order mark, so that spreadsheet programs open
// the Chinese text as such, with one header row of 通讯录's column names
// (the photo left out). Read: that layout, and the header rows that Google
// Contacts and Outlook write; UTF-8 with or without the mark, UTF-16 with
// one, and anything else as GBK.

#include "transfer/exchange_contact.h"

#include <string>
#include <string_view>

// The byte order mark and the header row, then CsvRowOf for each contact.
std::string CsvHeader();
std::string CsvRowOf(const ExchangeContact& contact);

// Every row of the file after its header. A row with more fields than the
// header, or with neither name nor number, is counted in `failed` with the
// reason. The file is refused with `error` (nothing is read from it) when a
// quote is left open, when it is not text, or when no column of its header
// is one this program knows.
ReadContacts ReadCsv(std::string_view file);
