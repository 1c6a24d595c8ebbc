#include "core/replies/imap_response.h"

#include <algorithm>
#include <charconv>

namespace {

bool asNumber(std::string_view text, uint32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// The tokens of a response, with literals as values of their own.
class Tokens {
public:
    explicit Tokens(const ImapResponse& r) : r_(r) {}

    enum class Kind { End, Open, Close, Atom, String };
    struct Token {
        Kind kind = Kind::End;
        std::string text;
    };

    Token next() {
        for (;;) {
            const std::string& piece = r_.pieces[piece_];
            while (at_ < piece.size() && piece[at_] == ' ')
                ++at_;
            if (at_ >= piece.size()) {
                // The literal announced at this piece's end ("{n}") is the next token.
                if (piece_ < r_.literals.size()) {
                    Token t{Kind::String, r_.literals[piece_]};
                    ++piece_;
                    at_ = 0;
                    return t;
                }
                return {};
            }
            const char c = piece[at_];
            if (c == '(' || c == ')') {
                ++at_;
                return {c == '(' ? Kind::Open : Kind::Close, {}};
            }
            if (c == '"')
                return quoted(piece);
            if (c == '{' && piece_ < r_.literals.size()) {
                // The literal's size announcement; the literal itself follows the piece.
                at_ = piece.size();
                continue;
            }
            return atom(piece);
        }
    }

    // Skips one value: a token, or a parenthesised list with everything in it.
    void skipValue(const Token& first) {
        if (first.kind != Kind::Open)
            return;
        int depth = 1;
        while (depth > 0) {
            const Token t = next();
            if (t.kind == Kind::End)
                throw EImapProtocol("an unclosed list in a FETCH response");
            depth += t.kind == Kind::Open ? 1 : t.kind == Kind::Close ? -1 : 0;
        }
    }

private:
    Token quoted(const std::string& piece) {
        std::string text;
        for (++at_; at_ < piece.size(); ++at_) {
            char c = piece[at_];
            if (c == '\\' && at_ + 1 < piece.size())
                c = piece[++at_];
            else if (c == '"') {
                ++at_;
                return {Kind::String, text};
            }
            text += c;
        }
        throw EImapProtocol("an unclosed quoted string");
    }

    // An atom runs to a blank or a parenthesis, except inside brackets: BODY[HEADER.FIELDS (FROM)].
    Token atom(const std::string& piece) {
        const size_t start = at_;
        int brackets = 0;
        for (; at_ < piece.size(); ++at_) {
            const char c = piece[at_];
            if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (brackets <= 0 && (c == ' ' || c == '(' || c == ')'))
                break;
        }
        return {Kind::Atom, piece.substr(start, at_ - start)};
    }

    const ImapResponse& r_;
    size_t piece_ = 0;
    size_t at_ = 0;
};

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

} // namespace

std::string_view ImapResponse::tag() const {
    const std::string& line = pieces.front();
    return std::string_view(line).substr(0, line.find(' '));
}

std::string_view ImapResponse::status() const {
    const std::string_view line = pieces.front();
    const size_t first = line.find(' ');
    if (first == std::string_view::npos)
        return {};
    const std::string_view rest = line.substr(first + 1);
    return rest.substr(0, rest.find(' '));
}

std::string_view ImapResponse::statusText() const {
    const std::string_view line = pieces.front();
    const size_t first = line.find(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t second = line.find(' ', first + 1);
    return second == std::string_view::npos ? std::string_view{} : line.substr(second + 1);
}

ImapResponseReader::ImapResponseReader(Source source, ImapLimits limits)
    : source_(std::move(source)), limits_(limits) {}

bool ImapResponseReader::fill() {
    if (at_ > 0 && at_ == buffer_.size()) {
        buffer_.clear();
        at_ = 0;
    } else if (at_ > 64 * 1024) {
        buffer_.erase(0, at_);
        at_ = 0;
    }
    char chunk[16 * 1024];
    const size_t got = source_(chunk, sizeof chunk);
    if (got == 0)
        return false;
    buffer_.append(chunk, got);
    return true;
}

std::string ImapResponseReader::readLine() {
    size_t scanned = 0; // unread bytes already searched for the line end
    for (;;) {
        const size_t lf = buffer_.find('\n', at_ + scanned);
        if (lf != std::string::npos) {
            size_t end = lf;
            if (end > at_ && buffer_[end - 1] == '\r')
                --end;
            if (end - at_ > limits_.maxLine)
                throw EImapProtocol("a response line longer than the program accepts");
            std::string line = buffer_.substr(at_, end - at_);
            at_ = lf + 1;
            return line;
        }
        scanned = buffer_.size() - at_;
        if (scanned > limits_.maxLine)
            throw EImapProtocol("a response line longer than the program accepts");
        if (!fill())
            throw EImapProtocol("the connection ended in the middle of a response");
    }
}

std::string ImapResponseReader::readBytes(std::size_t count) {
    while (buffer_.size() - at_ < count)
        if (!fill())
            throw EImapProtocol("the connection ended in the middle of a message");
    std::string bytes = buffer_.substr(at_, count);
    at_ += count;
    return bytes;
}

ImapResponse ImapResponseReader::next() {
    ImapResponse r;
    size_t total = 0;
    for (;;) {
        std::string line = readLine();
        total += line.size();
        if (total > limits_.maxLine)
            throw EImapProtocol("a response longer than the program accepts");
        // A literal is announced by "{n}" (or "{n+}") at the very end of the line.
        size_t size = 0;
        bool literal = false;
        if (!line.empty() && line.back() == '}') {
            const size_t open = line.rfind('{');
            if (open != std::string::npos) {
                std::string_view digits(line);
                digits = digits.substr(open + 1, line.size() - open - 2);
                if (!digits.empty() && digits.back() == '+')
                    digits.remove_suffix(1);
                uint32_t n = 0;
                if (asNumber(digits, n)) {
                    literal = true;
                    size = n;
                }
            }
        }
        r.pieces.push_back(std::move(line));
        if (!literal)
            return r;
        if (size > limits_.maxLiteral)
            throw EImapProtocol("a message part larger than the program asked for");
        if (r.literals.size() >= limits_.maxLiterals)
            throw EImapProtocol("a response with more parts than the program asked for");
        r.literals.push_back(readBytes(size));
    }
}

std::optional<FetchedItem> parseFetch(const ImapResponse& response) {
    Tokens tokens(response);
    Tokens::Token t = tokens.next();
    if (t.kind != Tokens::Kind::Atom || t.text != "*")
        return std::nullopt;
    const Tokens::Token number = tokens.next();
    const Tokens::Token word = tokens.next();
    FetchedItem item;
    if (number.kind != Tokens::Kind::Atom || word.kind != Tokens::Kind::Atom ||
        upper(word.text) != "FETCH" || !asNumber(number.text, item.sequence))
        return std::nullopt;
    if (tokens.next().kind != Tokens::Kind::Open)
        throw EImapProtocol("a FETCH response without its list");
    bool bodySeen = false;
    for (;;) {
        const Tokens::Token name = tokens.next();
        if (name.kind == Tokens::Kind::Close)
            break;
        if (name.kind != Tokens::Kind::Atom)
            throw EImapProtocol("a FETCH response that cannot be read");
        const Tokens::Token value = tokens.next();
        if (value.kind == Tokens::Kind::End || value.kind == Tokens::Kind::Close)
            throw EImapProtocol("a FETCH item without its value");
        const std::string key = upper(name.text);
        if (key == "UID") {
            if (value.kind != Tokens::Kind::Atom || !asNumber(value.text, item.uid))
                throw EImapProtocol("a FETCH response with a UID that is not a number");
        } else if (key.starts_with("BODY[") && !bodySeen) {
            bodySeen = true;
            if (value.kind == Tokens::Kind::String)
                item.body = value.text;
            else
                tokens.skipValue(value); // NIL
        } else {
            tokens.skipValue(value);
        }
    }
    return item;
}

std::optional<uint32_t> responseCodeNumber(const ImapResponse& response, std::string_view code) {
    if (!response.untagged())
        return std::nullopt;
    const std::string line = upper(response.pieces.front());
    const std::string wanted = "[" + upper(code) + " ";
    const size_t at = line.find(wanted);
    if (at == std::string::npos)
        return std::nullopt;
    const size_t start = at + wanted.size();
    const size_t end = line.find(']', start);
    uint32_t value = 0;
    if (end == std::string::npos ||
        !asNumber(std::string_view(line).substr(start, end - start), value))
        return std::nullopt;
    return value;
}

std::string quotedImapString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\0')
            throw EImapProtocol("a folder name with a line break");
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}
