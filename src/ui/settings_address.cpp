#include "ui/settings_address.h"

#include "services/core/core.h"

Text ConfiguredAddress(const Text& settingsFile, const char* section, const char* key) {
    if (settingsFile.empty() || !FileExists(settingsFile)) return Text();
    Text address = TrimSpaces(ReadIni(settingsFile, T(section), T(key)));
    while (!address.empty() && address.bytes().back() == '/') address.bytes().pop_back();
    return address;
}
