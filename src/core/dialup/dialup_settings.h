#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The dial-up settings file: its sections, keys and defaults, the escaping of entry and user
// names inside section and key names, and the scrambling of stored passwords. The file itself is
// read and written with TIniFile (data/ini_file.h); its path is AppPaths::dialupSettingsFile().

namespace dialup {

// Window placements, one key per dial-up window named after the window's object name.
inline constexpr const char* kWindowsSection = "Windows";
// The dialer's last choices.
inline constexpr const char* kLastSection = "Last";

inline constexpr const char* kEntryName = "EntryName";
inline constexpr const char* kUserName = "UserName";
inline constexpr const char* kAutoPW = "AutoPW";
inline constexpr const char* kAutoUN = "AutoUN";
inline constexpr const char* kAutoConnect = "AutoConnect";
inline constexpr const char* kAutoExecuteBrowser = "AutoExecuteBrowser";
inline constexpr const char* kAutoExecuteMail = "AutoExecuteMail";
inline constexpr const char* kAutoExecuteNews = "AutoExecuteNews";
inline constexpr const char* kMonthlyDuration = "MonthlyDuration";
inline constexpr const char* kBrowserExe = "BrowserExe";
inline constexpr const char* kMailExe = "MailExe";
inline constexpr const char* kNewsExe = "NewsExe";
inline constexpr const char* kBrowserDir = "BrowserDir";
inline constexpr const char* kMailDir = "MailDir";
inline constexpr const char* kNewsDir = "NewsDir";
inline constexpr const char* kPassword = "Password";
inline constexpr const char* kSavePW = "SavePW";

// Defaults of the three program commands when the settings file has none. They are this
// platform's (the desktop's default browser, mail reader and news reader).
inline constexpr const char* kDefaultBrowserExe = "x-www-browser";
inline constexpr const char* kDefaultMailExe = "xdg-email";
inline constexpr const char* kDefaultNewsExe = "xdg-open \"news:\"";

// Keys of an entry's own section (RasEntrySection).
inline constexpr const char* kUserKeyPrefix = "USER_";           // + EscapeIniName(user name)
inline constexpr const char* kDurationKey = "Duration";          // running total in seconds
inline constexpr const char* kDurationForPrefix = "DurationFor"; // + month "01".."12"
inline constexpr const char* kTimeFromPrefix = "TimeFrom";       // + weekday 1 (Sunday)..7
inline constexpr const char* kTimeToPrefix = "TimeTo";
inline constexpr const char* kTimePassword = "TimePassword"; // stored unscrambled
// Read default of a "USER_" key: no password stored.
inline constexpr const char* kNoStoredPassword = "*";

// Maps blank to "_", "=" to "\-", "@" to "\A", "\" to "\\" and "_" to "\_"; every other character
// stays. There is no reverse mapping.
std::string EscapeIniName(std::string_view name);

// "RAS_ENTRY_" followed by EscapeIniName(entryName). The name is taken as given (not trimmed).
std::string RasEntrySection(std::string_view entryName);

// "USER_" followed by EscapeIniName(userName).
std::string UserKey(std::string_view userName);

// The scrambling key of stored passwords. Stored files depend on it: never change it.
inline constexpr int kScrambleKey = 20731;

// The password (bytes, cut to 255) as groups of five decimal digits, at least 25 digits. tick
// (the millisecond tick count) fills the buffer of an empty password, so that two empty
// passwords give different digits.
std::string ScramblePassword(std::string_view password, uint32_t tick);

// The password back from its digits. A group that is not a decimal number throws
// EConvertError("'<group>' is not a valid integer value"). Never writes past its 256-byte
// buffer: groups beyond the 128th are ignored.
std::string UnscramblePassword(std::string_view digits);

} // namespace dialup
