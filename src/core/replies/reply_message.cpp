#include "core/replies/reply_message.h"

#include "core/tables/date_time.h"

#include <cstring>
#include <gmime/gmime.h>
#include <mutex>

namespace {

void initGMimeOnce() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

// GLib strings come back owned; this gives them back.
std::string takeString(char* text) {
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

std::string validUtf8(std::string_view text) {
    return takeString(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

GMimeMessage* messageOf(std::string_view bytes) {
    bytes = bytes.substr(0, kMaxMessageBytes);
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    return message;
}

std::string firstMailbox(InternetAddressList* list) {
    if (!list)
        return {};
    const int n = internet_address_list_length(list);
    for (int i = 0; i < n; ++i) {
        InternetAddress* a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a));
            std::string text = addr ? addr : "";
            const size_t at = text.rfind('@');
            for (size_t k = at == std::string::npos ? text.size() : at; k < text.size(); ++k)
                text[k] = static_cast<char>(g_ascii_tolower(text[k]));
            return validUtf8(text);
        }
        if (INTERNET_ADDRESS_IS_GROUP(a)) {
            std::string inner =
                firstMailbox(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)));
            if (!inner.empty())
                return inner;
        }
    }
    return {};
}

// The decoded text of a text part, as UTF-8 whatever its charset; a charset that cannot be
// converted is read as Latin-1 rather than lost.
std::string textOfPart(GMimeTextPart* part) {
    char* text = g_mime_text_part_get_text(part);
    if (text)
        return validUtf8(takeString(text));
    return {};
}

struct Bodies {
    std::string plain, html;
};

void collectBodies(GMimeObject* object, Bodies& bodies, int depth) {
    if (!object || depth > 20)
        return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int n = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < n && bodies.plain.empty(); ++i)
            collectBodies(g_mime_multipart_get_part(multipart, i), bodies, depth + 1);
        return;
    }
    if (GMIME_IS_MESSAGE_PART(object))
        return; // a forwarded message is not the reply
    if (!GMIME_IS_TEXT_PART(object))
        return;
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    if (disposition && g_mime_content_disposition_is_attachment(disposition))
        return;
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (g_mime_content_type_is_type(type, "text", "plain") && bodies.plain.empty())
        bodies.plain = textOfPart(GMIME_TEXT_PART(object));
    else if (g_mime_content_type_is_type(type, "text", "html") && bodies.html.empty())
        bodies.html = textOfPart(GMIME_TEXT_PART(object));
}

void appendEntity(std::string& out, std::string_view name) {
    static const struct {
        const char* name;
        const char* text;
    } named[] = {{"amp", "&"},   {"lt", "<"},   {"gt", ">"},
                 {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& e : named)
        if (name == e.name) {
            out += e.text;
            return;
        }
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits(name.substr(hex ? 2 : 1));
        char* end = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (!digits.empty() && end && *end == '\0' && code > 0 && code <= 0x10FFFF &&
            g_unichar_validate(static_cast<gunichar>(code))) {
            char utf8[8];
            out.append(utf8,
                       static_cast<size_t>(g_unichar_to_utf8(static_cast<gunichar>(code), utf8)));
            return;
        }
    }
    out += '&';
    out += name;
    out += ';';
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    return text.size() - at >= word.size() &&
           g_ascii_strncasecmp(text.data() + at, word.data(), word.size()) == 0;
}

} // namespace

std::string textOfHtml(std::string_view html) {
    std::string out;
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            const size_t close = html.find('>', i);
            const size_t end = close == std::string_view::npos ? html.size() : close + 1;
            std::string_view tag = html.substr(i + 1, end - i - 1);
            const bool closing = !tag.empty() && tag[0] == '/';
            const size_t nameStart = closing ? 1 : 0;
            for (const char* skipped : {"script", "style", "head"})
                if (!closing && startsWithNoCase(tag, 0, skipped)) {
                    const std::string endTag = std::string("</") + skipped;
                    size_t k = end;
                    while (k < html.size() && !startsWithNoCase(html, k, endTag))
                        ++k;
                    const size_t after = html.find('>', k);
                    i = after == std::string_view::npos ? html.size() : after + 1;
                    goto next;
                }
            for (const char* block : {"br", "p", "div", "tr", "li", "h1", "h2", "h3", "table"})
                if (startsWithNoCase(tag, nameStart, block)) {
                    const size_t after = nameStart + std::strlen(block);
                    if (after >= tag.size() || !g_ascii_isalnum(tag[after])) {
                        out += '\n';
                        break;
                    }
                }
            i = end;
            continue;
        }
        if (c == '&') {
            const size_t semi = html.find(';', i);
            if (semi != std::string_view::npos && semi - i <= 10) {
                appendEntity(out, html.substr(i + 1, semi - i - 1));
                i = semi + 1;
                continue;
            }
        }
        out += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
        ++i;
    next:;
    }
    // One blank between words, one line break between blocks, none at either end.
    std::string tidy;
    bool blank = false, lineBreak = false;
    for (char c : out) {
        if (c == '\n') {
            lineBreak = !tidy.empty();
            blank = false;
        } else if (c == ' ') {
            blank = !tidy.empty() && !lineBreak;
        } else {
            if (lineBreak)
                tidy += '\n';
            else if (blank)
                tidy += ' ';
            lineBreak = blank = false;
            tidy += c;
        }
    }
    return tidy;
}

ReplyMessage parseReplyMessage(std::string_view bytes) {
    initGMimeOnce();
    ReplyMessage reply;
    GMimeMessage* message = messageOf(bytes);
    if (!message)
        return reply;
    reply.from = firstMailbox(g_mime_message_get_from(message));
    if (const char* subject = g_mime_message_get_subject(message))
        reply.subject = validUtf8(subject);
    if (const char* id = g_mime_message_get_message_id(message))
        reply.messageId = validUtf8(id);
    if (GDateTime* date = g_mime_message_get_date(message)) {
        GDateTime* local = g_date_time_to_local(date);
        if (local) {
            const int year = g_date_time_get_year(local);
            if (year >= 1900 && year <= 9999)
                reply.date =
                    dateTimeValue(dayNumber(year, g_date_time_get_month(local),
                                            g_date_time_get_day_of_month(local)),
                                  timeMs(g_date_time_get_hour(local), g_date_time_get_minute(local),
                                         g_date_time_get_second(local)));
            g_date_time_unref(local);
        }
    }
    Bodies bodies;
    collectBodies(g_mime_message_get_mime_part(message), bodies, 0);
    reply.body = !bodies.plain.empty() ? bodies.plain : textOfHtml(bodies.html);
    g_object_unref(message);
    return reply;
}

std::string senderAddress(std::string_view headerBytes) {
    initGMimeOnce();
    std::string bytes(headerBytes.substr(0, kMaxMessageBytes));
    bytes += "\r\n"; // a header block alone is a message with an empty body
    GMimeMessage* message = messageOf(bytes);
    if (!message)
        return {};
    std::string from = firstMailbox(g_mime_message_get_from(message));
    g_object_unref(message);
    return from;
}
