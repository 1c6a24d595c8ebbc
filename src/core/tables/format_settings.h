#pragma once

#include <string>

// The process-wide date and time formats. The entry routine fixes them before any window exists,
// so that every table file reads and writes the same on every machine, whatever its regional
// settings. Nothing in the program reads the system locale.
struct FormatSettings {
    char dateSeparator = '/';
    std::string shortDateFormat = "dd/mm/yyyy";
    std::string shortTimeFormat = "HH:mm";
    std::string longTimeFormat = "HH:mm:ss";
    char timeSeparator = ':';
    char decimalSeparator = '.';
};

// The settings in force; the defaults above until the entry routine fixes them.
const FormatSettings& processFormats();
void setProcessFormats(const FormatSettings& settings);
