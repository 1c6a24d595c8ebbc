#pragma once

// A calendar subscription fetched over HTTPS with libcurl.
//
//   isCalendarAddress(text)     whether the text is an address (http, https, webcal, webcals)
//                               rather than a file's path
//   subscriptionUrl(address)    the https:// address to fetch: webcal:// and webcals:// are the
//                               calendar programs' names for https://. A plain http:// address
//                               raises CalendarError saying why it is refused.
//   downloadCalendar(url, o)    the calendar's bytes; CalendarError on anything but a complete
//                               answer 200 within the time and size limits from a server whose
//                               certificate the program's trust store vouches for (redirects
//                               followed to https:// only)

#include "core/calendar/calendar_reader.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

struct DownloadOptions {
    long timeoutMs = 60000;
    long connectTimeoutMs = 15000;
    std::size_t maxBytes = 10 * 1024 * 1024;
    const std::atomic<bool>* stop = nullptr; // set from another thread: the download ends
};

bool isCalendarAddress(std::string_view text);
std::string subscriptionUrl(std::string_view address);
std::string downloadCalendar(const std::string& url, const DownloadOptions& options = {});
