#pragma once
// Web service addresses named in the settings file (Peizhi.ini).

#include "services/core/text.h"

// The address the settings file names under `section`/`key`, without blanks
// around it or trailing "/"s; empty when the file or the key is missing.
Text ConfiguredAddress(const Text& settingsFile, const char* section, const char* key);
