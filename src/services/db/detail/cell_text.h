#pragma once
// Field values as the application's texts, and the date texts users type.

#include "services/core/text.h"
#include "services/db/detail/source.h"

#include <optional>
#include <string>

namespace dbdetail {

// The text ReadText gives for a value.
Text CellText(const Cell& cell);

// "1980-01-06", "1980/1/6", "1980-1-6 8:30" or "1980-01-06 08:30:00" (also
// with "T" before the time) as "YYYY-MM-DD HH:MM:SS"; nullopt for anything
// that is not a real calendar date and time.
std::optional<std::string> NormalizedDate(std::string_view text);

// True for text already in the form "YYYY-MM-DD HH:MM:SS" (digits and
// separators only; the values are not checked).
bool IsCanonicalDate(std::string_view text);

}  // namespace dbdetail
