#include "core/calendar/calendar_download.h"

#include "core/tables/trust_store.h"

#include <cctype>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

struct Body {
    std::string bytes;
    std::size_t max = 0;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const size_t n = size * count;
    if (body->bytes.size() + n > body->max) {
        body->tooLarge = true;
        return 0; // ends the transfer
    }
    body->bytes.append(data, n);
    return n;
}

struct EasyFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* stop = static_cast<const std::atomic<bool>*>(user);
    return stop && stop->load() ? 1 : 0; // non-zero ends the transfer
}

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

} // namespace

bool isCalendarAddress(std::string_view text) {
    const std::string t = lowerAscii(trimmed(text));
    for (const char* scheme : {"https://", "http://", "webcal://", "webcals://"})
        if (t.rfind(scheme, 0) == 0)
            return true;
    return false;
}

std::string subscriptionUrl(std::string_view address) {
    const std::string_view a = trimmed(address);
    const std::string lower = lowerAscii(a);
    if (lower.rfind("http://", 0) == 0)
        throw CalendarError(
            "Plain http:// addresses are refused: the calendar, with your customers' names and "
            "numbers, would travel unencrypted, and anyone on the way could read or change it. "
            "Use the https:// or webcal:// address that the calendar program offers.");
    for (const std::string_view scheme : {"webcals://", "webcal://"})
        if (lower.rfind(scheme, 0) == 0)
            return "https://" + std::string(a.substr(scheme.size()));
    if (lower.rfind("https://", 0) == 0)
        return std::string(a);
    throw CalendarError("Not a calendar address: it must begin with https:// or webcal://");
}

std::string downloadCalendar(const std::string& url, const DownloadOptions& options) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, EasyFree> curl(curl_easy_init());
    if (!curl)
        throw CalendarError("The download could not be started");
    CURL* c = curl.get();
    Body body;
    body.max = options.maxBytes;
    char error[CURL_ERROR_SIZE] = {};
    const TrustPaths trust = defaultTrustPaths();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!trust.caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, trust.caFile.c_str());
    if (!trust.caDir.empty())
        curl_easy_setopt(c, CURLOPT_CAPATH, trust.caDir.c_str());
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Tallyminder");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(options.stop));
    const CURLcode result = curl_easy_perform(c);
    if (body.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
        throw CalendarError("The calendar is larger than " + megabytes(options.maxBytes) +
                            ", more than the program reads");
    if (result == CURLE_ABORTED_BY_CALLBACK)
        throw CalendarError("The download was stopped");
    if (result == CURLE_OPERATION_TIMEDOUT)
        throw CalendarError("The calendar server did not answer in time: " +
                            std::string(*error ? error : curl_easy_strerror(result)));
    if (result != CURLE_OK)
        throw CalendarError("The calendar could not be downloaded: " +
                            std::string(*error ? error : curl_easy_strerror(result)));
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200)
        throw CalendarError("The calendar server answered " + std::to_string(status) +
                            " instead of the calendar");
    return std::move(body.bytes);
}
