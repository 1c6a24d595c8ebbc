#include "core/calendar/windows_zones.h"

#include <unicode/ucal.h>

std::string ianaForWindowsZone(std::string_view windowsName) {
    // Windows zone names are short ASCII; anything else is no Windows zone name.
    constexpr std::size_t kLongest = 64;
    if (windowsName.empty() || windowsName.size() > kLongest)
        return {};
    UChar name[kLongest];
    for (std::size_t i = 0; i < windowsName.size(); ++i) {
        const auto c = static_cast<unsigned char>(windowsName[i]);
        if (c < 0x20 || c > 0x7e)
            return {};
        name[i] = c;
    }
    // ICU carries Unicode CLDR's table of Windows zones, kept up to date with it; the "001"
    // territory (the default) gives each zone's main city.
    UChar id[kLongest];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucal_getTimeZoneIDForWindowsID(
        name, static_cast<int32_t>(windowsName.size()), nullptr, id, kLongest, &status);
    if (U_FAILURE(status) || length <= 0 || length > static_cast<int32_t>(kLongest))
        return {};
    std::string iana;
    for (int32_t i = 0; i < length; ++i) {
        if (id[i] > 0x7e)
            return {};
        iana += static_cast<char>(id[i]);
    }
    return iana;
}
