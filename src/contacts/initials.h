#pragma once
// The rule behind 首字母, the stored initials a search also matches.

#include "services/core/text.h"

// Lower-case first pinyin letters of the name's first `characters`
// characters; nothing for a character that is no GB2312 hanzi. The record
// window and the spreadsheet import take 3, the text import 4.
Text NameInitials(const Text& name, int characters);
