#pragma once
// Mainland mobile numbers as people write them, and what the numbering plan
// that ships with the system (libphonenumber, offline) knows about them.

#include "services/core/text.h"

#include <string>
#include <string_view>

// The eleven national digits of a mainland mobile number as written in 手机:
// "+86 139 1234 5678", "139-1234-5678", "0086 13912345678", "(139) 1234.5678"
// and full-width digits all give "13912345678". Empty for anything else:
// letters, a "+" alone, too few or too many digits, another country's number,
// a landline, an overlong text. What is stored is never changed.
std::string mainland_mobile_digits(const Text& number);

// Loads the numbering plan and the regions (about 40 ms, once per process),
// so that the first contact shown does not wait for it. Called at start-up;
// without it the first lookup does the same.
void prepare_offline_attribution();

// What the offline numbering plan says about eleven national digits.
struct OfflinePlace {
    bool mobile = false;  // a valid mainland mobile number as the plan knows it
    Text region;          // "江苏省常州市"; empty where the plan names only the country
};
OfflinePlace offline_place(std::string_view digits);

// "<region> <carrier>", without the blank when either part is empty.
Text attribution_text(const Text& region, const Text& carrier);
