#include "core/smtp/reply_reader.h"

#include "core/base/blanks.h"
#include "core/smtp/smtp_errors.h"

#include <cerrno>
#include <cstring>
#include <strings.h>

const std::string& SmtpReply::lastLine() const {
    static const std::string empty;
    return lines.empty() ? empty : lines.back();
}

int replyCodeOf(const std::string& line) {
    const size_t n = std::min<size_t>(3, line.size());
    if (n == 0)
        return 0;
    int code = 0;
    for (size_t i = 0; i < n; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

SmtpReply ReplyReader::read(std::chrono::milliseconds timeout) {
    const auto deadline = TcpConnection::Clock::now() + timeout;
    SmtpReply reply;
    // Every line read counts, blank ones too, and the deadline holds for lines already
    // buffered: a server that floods lines cannot hold the client past either limit.
    size_t linesRead = 0;
    auto nextLine = [&] {
        for (;;) {
            if (TcpConnection::Clock::now() >= deadline) {
                connection_.close();
                throw EIdSocketError(std::strerror(ETIMEDOUT), ETIMEDOUT);
            }
            std::string line(trimmed(connection_.readLine(deadline), blanks::spaceOrTab));
            if (linesRead++ == kMaxLines) {
                connection_.close();
                throw EIdProtocolReplyError(
                    "Reply longer than " + std::to_string(kMaxLines) + " lines", 0);
            }
            if (line.empty())
                continue;
            reply.lines.push_back(std::move(line));
            return;
        }
    };
    nextLine();
    const std::string& first = reply.lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string prefix = first.substr(0, 3);
        for (;;) {
            nextLine();
            const std::string& line = reply.lines.back();
            if (line.size() < 4)
                break;
            if (line[3] == ' ' && ::strncasecmp(line.c_str(), prefix.c_str(), 3) == 0)
                break;
        }
    }
    reply.code = replyCodeOf(reply.lastLine());
    return reply;
}
