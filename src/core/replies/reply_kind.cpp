#include "core/replies/reply_kind.h"

#include <algorithm>
#include <glib.h>

namespace {

std::vector<std::string> foldedList(const std::string& list) {
    std::vector<std::string> words;
    for (const std::string& item : splitList(list)) {
        std::string word = foldWord(item);
        if (!word.empty())
            words.push_back(std::move(word));
    }
    return words;
}

bool listed(const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

} // namespace

std::string replyKindText(ReplyKind kind) {
    switch (kind) {
    case ReplyKind::Confirmed:
        return "Confirmed";
    case ReplyKind::Cancelled:
        return "Cancelled";
    case ReplyKind::Stop:
        return "Stop";
    case ReplyKind::Report:
        return "Report";
    case ReplyKind::Other:
        break;
    }
    return "Other";
}

ReplyWords ReplyWords::of(const InboxSettings& s) {
    return {foldedList(s.confirmWords), foldedList(s.cancelWords), foldedList(s.stopWords),
            foldedList(s.reportWords)};
}

std::string foldWord(std::string_view utf8) {
    gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    gchar* decomposed = g_utf8_normalize(valid, -1, G_NORMALIZE_NFD);
    g_free(valid);
    if (!decomposed)
        return {};
    std::string bare;
    for (const gchar* p = decomposed; *p; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        const GUnicodeType type = g_unichar_type(c);
        if (type == G_UNICODE_NON_SPACING_MARK || type == G_UNICODE_SPACING_MARK ||
            type == G_UNICODE_ENCLOSING_MARK)
            continue;
        char utf8Char[8];
        bare.append(utf8Char,
                    static_cast<size_t>(g_unichar_to_utf8(g_unichar_toupper(c), utf8Char)));
    }
    g_free(decomposed);
    return bare;
}

std::string firstWord(std::string_view utf8) {
    gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    std::string word;
    for (const gchar* p = valid; *p; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        const bool partOfWord = g_unichar_isalnum(c) || g_unichar_ismark(c) ||
                                ((c == '\'' || c == 0x2019) && !word.empty());
        if (partOfWord)
            word.append(p, static_cast<size_t>(g_utf8_next_char(p) - p));
        else if (!word.empty())
            break;
    }
    g_free(valid);
    while (!word.empty() && (word.back() == '\'')) // "yes'" is YES
        word.pop_back();
    return foldWord(word);
}

ReplyKind classifyReply(std::string_view text, std::string_view status, const ReplyWords& words) {
    if (!status.empty())
        return ReplyKind::Report;
    const std::string word = firstWord(text);
    if (word.empty())
        return ReplyKind::Other;
    if (listed(words.stop, word))
        return ReplyKind::Stop;
    if (listed(words.cancelled, word))
        return ReplyKind::Cancelled;
    if (listed(words.confirmed, word))
        return ReplyKind::Confirmed;
    if (listed(words.reports, word))
        return ReplyKind::Report;
    return ReplyKind::Other;
}
