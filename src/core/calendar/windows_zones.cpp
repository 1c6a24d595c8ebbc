#include "core/calendar/windows_zones.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The zones of the countries the program's customers text from, Windows name to IANA name
// (Unicode CLDR's "001" territory mapping).
constexpr std::array<std::pair<std::string_view, std::string_view>, 48> kZones{{
    {"AUS Central Standard Time", "Australia/Darwin"},
    {"AUS Eastern Standard Time", "Australia/Sydney"},
    {"Alaskan Standard Time", "America/Anchorage"},
    {"Arab Standard Time", "Asia/Riyadh"},
    {"Arabian Standard Time", "Asia/Dubai"},
    {"Argentina Standard Time", "America/Buenos_Aires"},
    {"Atlantic Standard Time", "America/Halifax"},
    {"Cen. Australia Standard Time", "Australia/Adelaide"},
    {"Central Europe Standard Time", "Europe/Budapest"},
    {"Central European Standard Time", "Europe/Warsaw"},
    {"Central Standard Time", "America/Chicago"},
    {"China Standard Time", "Asia/Shanghai"},
    {"E. Australia Standard Time", "Australia/Brisbane"},
    {"E. Europe Standard Time", "Europe/Chisinau"},
    {"E. South America Standard Time", "America/Sao_Paulo"},
    {"Eastern Standard Time", "America/New_York"},
    {"Egypt Standard Time", "Africa/Cairo"},
    {"FLE Standard Time", "Europe/Kiev"},
    {"GMT Standard Time", "Europe/London"},
    {"GTB Standard Time", "Europe/Bucharest"},
    {"Greenwich Standard Time", "Atlantic/Reykjavik"},
    {"Hawaiian Standard Time", "Pacific/Honolulu"},
    {"India Standard Time", "Asia/Calcutta"},
    {"Israel Standard Time", "Asia/Jerusalem"},
    {"Korea Standard Time", "Asia/Seoul"},
    {"Mountain Standard Time", "America/Denver"},
    {"New Zealand Standard Time", "Pacific/Auckland"},
    {"Newfoundland Standard Time", "America/St_Johns"},
    {"Pacific SA Standard Time", "America/Santiago"},
    {"Pacific Standard Time", "America/Los_Angeles"},
    {"Romance Standard Time", "Europe/Paris"},
    {"Russian Standard Time", "Europe/Moscow"},
    {"SA Pacific Standard Time", "America/Bogota"},
    {"SE Asia Standard Time", "Asia/Bangkok"},
    {"Singapore Standard Time", "Asia/Singapore"},
    {"South Africa Standard Time", "Africa/Johannesburg"},
    {"Taipei Standard Time", "Asia/Taipei"},
    {"Tasmania Standard Time", "Australia/Hobart"},
    {"Tokyo Standard Time", "Asia/Tokyo"},
    {"Turkey Standard Time", "Europe/Istanbul"},
    {"US Eastern Standard Time", "America/Indianapolis"},
    {"US Mountain Standard Time", "America/Phoenix"},
    {"UTC", "UTC"},
    {"W. Australia Standard Time", "Australia/Perth"},
    {"W. Central Africa Standard Time", "Africa/Lagos"},
    {"W. Europe Standard Time", "Europe/Berlin"},
    {"West Asia Standard Time", "Asia/Tashkent"},
    {"West Pacific Standard Time", "Pacific/Port_Moresby"},
}};

} // namespace

std::string ianaForWindowsZone(std::string_view windowsName) {
    static_assert(std::is_sorted(kZones.begin(), kZones.end()));
    const auto it =
        std::lower_bound(kZones.begin(), kZones.end(), windowsName,
                         [](const auto& zone, std::string_view name) { return zone.first < name; });
    if (it == kZones.end() || it->first != windowsName)
        return {};
    return std::string(it->second);
}
