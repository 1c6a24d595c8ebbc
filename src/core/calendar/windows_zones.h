#pragma once

// Some calendar programs (an office suite's, chiefly) name time zones by their Windows names,
// "W. Europe Standard Time" rather than "Europe/Berlin", often without a VTIMEZONE to define them.
//
//   ianaForWindowsZone(name)   the IANA name of the zone's main city (from ICU's copy of
//                              Unicode CLDR's table), or empty when the name is not a Windows
//                              zone name

#include <string>
#include <string_view>

std::string ianaForWindowsZone(std::string_view windowsName);
