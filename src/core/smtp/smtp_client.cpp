#include "core/smtp/smtp_client.h"

#include "core/smtp/base64.h"
#include "core/smtp/command_writer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kAnyCode = -1;
constexpr int kServiceClosing = 421;

std::string answerTo(const char* step) {
    return std::string("its answer to ") + step;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The priority's position counted from 1 for the highest.
int priorityNumber(TIdMessagePriority p) {
    return static_cast<int>(p) + 1;
}

// Position of the first CR or LF in text at or after pos, or npos. A plain loop: the compiler
// vectorises it, where find_first_of would search its set once per character.
size_t findLineBreak(std::string_view text, size_t pos = 0) {
    for (size_t i = pos; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n')
            return i;
    return std::string_view::npos;
}

// Writes one body line: a leading "." is doubled so the server never takes it for the end of
// the data; the line ends with CR LF.
template <class Sink> void writeBodyLine(std::string_view line, Sink& sink) {
    if (!line.empty() && line.front() == '.')
        sink(".");
    sink(line);
    sink("\r\n");
}

// A body entry that itself holds line breaks (CR LF, a lone LF or a lone CR) goes out as
// several lines, each dot-stuffed, so no text of the body can end the data early.
template <class Sink> void writeBodyText(std::string_view text, Sink& sink) {
    if (findLineBreak(text) == std::string_view::npos) {
        writeBodyLine(text, sink);
        return;
    }
    size_t pos = 0;
    for (;;) {
        const size_t br = findLineBreak(text, pos);
        if (br == std::string_view::npos) {
            writeBodyLine(text.substr(pos), sink);
            return;
        }
        writeBodyLine(text.substr(pos, br - pos), sink);
        pos = br + (text[br] == '\r' && br + 1 < text.size() && text[br + 1] == '\n' ? 2 : 1);
    }
}

// Writes a body text as its lines (fileLines) would go out one by one through
// writeBodyText, but in runs as long as the text allows: only a line's leading "." and a lone
// CR or LF (which becomes CR LF) break a run, and a last line without CR LF gets one.
template <class Sink> void writeBodyRuns(std::string_view text, Sink& sink) {
    if (text.empty())
        return;
    size_t run = 0;  // start of the bytes not yet written
    size_t line = 0; // start of the current line
    for (;;) {
        if (line < text.size() && text[line] == '.') {
            sink(text.substr(run, line - run));
            sink(".");
            run = line;
        }
        const size_t br = findLineBreak(text, line);
        if (br == std::string_view::npos) {
            sink(text.substr(run));
            sink("\r\n");
            return;
        }
        if (text[br] == '\r' && br + 1 < text.size() && text[br + 1] == '\n') {
            line = br + 2;
            if (line == text.size()) {
                sink(text.substr(run));
                return;
            }
        } else {
            sink(text.substr(run, br - run));
            sink("\r\n");
            line = br + 1;
            run = line;
        }
    }
}

} // namespace

TIdSMTP::~TIdSMTP() {
    Disconnect();
}

SmtpReply TIdSMTP::readReply(int expectedCode, std::chrono::milliseconds timeout,
                             const std::string& awaited) {
    try {
        lastReply_ = reader_.read(timeout);
    } catch (const EIdConnClosedGracefully&) {
        throw EIdConnClosedGracefully(awaited);
    }
    if (lastReply_.code == kServiceClosing && expectedCode != kServiceClosing) {
        // RFC 5321: the server is closing the transmission channel; nothing more will work.
        connection_.close();
        throw EIdProtocolReplyError(lastReply_.lastLine(), lastReply_.code);
    }
    if (expectedCode != kAnyCode && lastReply_.code != expectedCode)
        throw EIdProtocolReplyError(lastReply_.lastLine(), lastReply_.code);
    return lastReply_;
}

SmtpReply TIdSMTP::command(std::string_view text, int expectedCode,
                           std::chrono::milliseconds timeout, const std::string& awaited,
                           std::string_view what) {
    CommandWriter(connection_).write(text, what);
    return readReply(expectedCode, timeout, awaited);
}

void TIdSMTP::introduce(const std::string& localName) {
    authSchemes_.clear();
    offersStartTls_ = false;
    const SmtpReply ehlo = command("ehlo " + localName, kAnyCode, Timeouts.command,
                                   answerTo("EHLO"), "the local host name");
    if (ehlo.code != 250) {
        command("Helo " + localName, 250, Timeouts.command, answerTo("HELO"),
                "the local host name");
        return;
    }
    // The first line names the server; the extensions follow it.
    for (size_t i = 1; i < ehlo.lines.size(); ++i) {
        const std::string line = upper(ehlo.lines[i]);
        if (line.size() >= 12 && line.compare(4, 8, "STARTTLS") == 0 &&
            line.find_first_not_of(' ', 12) == std::string::npos)
            offersStartTls_ = true;
        if (line.size() < 9 || line.compare(4, 4, "AUTH") != 0 ||
            (line[8] != ' ' && line[8] != '='))
            continue;
        size_t pos = 9;
        while (pos < line.size()) {
            const size_t blank = std::min(line.find(' ', pos), line.size());
            std::string word = line.substr(pos, blank - pos);
            if (!word.empty() &&
                std::find(authSchemes_.begin(), authSchemes_.end(), word) == authSchemes_.end())
                authSchemes_.push_back(std::move(word));
            pos = blank + 1;
        }
    }
}

void TIdSMTP::startTls(const std::string& host) {
    // "LOCALHOST" is connected to as 127.0.0.1 but checked by its name, like any other name.
    try {
        connection_.startTls(TlsOptions{host, Environment.TrustFile},
                             TcpConnection::Clock::now() + Timeouts.handshake);
    } catch (const EIdSocketError& e) {
        // The server took the connection and then let the handshake lapse or broke it: not
        // being offline.
        throw EIdTLSError("The server did not complete the encrypted connection (" +
                              std::string(e.what()) + "). Nothing was sent.",
                          EIdTLSError::Cause::HandshakeIncomplete);
    }
}

void TIdSMTP::Connect() {
    if (Connected())
        throw EIdAlreadyConnected();
    didAuthenticate_ = false;
    authSchemes_.clear();
    offersStartTls_ = false;
    const ServerAddress where = parseServerAddress(Host, Port);
    const SmtpTls tls = UseTLS.value_or(tlsForPort(where.port));
    try {
        connection_.setSendTimeout(Timeouts.dataBlock);
        connection_.open(where.host, where.port, Timeouts.connect);
        if (tls == SmtpTls::Implicit)
            startTls(where.host);
        readReply(220, Timeouts.greeting, "its greeting");

        const std::string localName =
            Environment.LocalName.empty() ? connection_.localName() : Environment.LocalName;
        introduce(localName);
        if (!connection_.isEncrypted() && (offersStartTls_ || tls == SmtpTls::Required)) {
            if (!offersStartTls_)
                throw EIdTLSError("The server does not offer encryption (STARTTLS) on port " +
                                  std::to_string(where.port) + ". Nothing was sent.");
            command("STARTTLS", 220, Timeouts.command, answerTo("STARTTLS"));
            startTls(where.host);
            // What the server said in clear text is forgotten; it introduces itself again.
            introduce(localName);
        }
    } catch (...) {
        connection_.close();
        throw;
    }
}

void TIdSMTP::refuseUnsafeValues(const TIdMessage& m) const {
    refuseLineBreaks(m.From.Address, "the sender address");
    for (const auto* list : {&m.Recipients, &m.CCList, &m.BccList})
        for (const auto& item : *list)
            refuseLineBreaks(item.Address, "a recipient address");
    for (const auto& item : m.ReplyTo)
        refuseLineBreaks(item.Address, "the reply-to address");
    refuseLineBreaks(m.Sender.Address, "the sender address");
    refuseLineBreaks(m.ReceiptRecipient.Address, "the receipt address");
    refuseLineBreaks(m.Subject, "the subject");
    refuseLineBreaks(m.Organization, "the organization");
    refuseLineBreaks(m.References, "the references");
    refuseLineBreaks(m.Newsgroups, "the newsgroups");
    refuseLineBreaks(m.ContentType, "the content type");
    refuseLineBreaks(m.ContentTransferEncoding, "the transfer encoding");
    for (const auto& [name, value] : m.ExtraHeaders.Lines()) {
        refuseLineBreaks(name, "a header name");
        refuseLineBreaks(value, "the header " + name);
    }
    refuseLineBreaks(MailAgent, "the mail agent");
    if (AuthenticationType == TIdSMTPAuthenticationType::atLogin) {
        refuseLineBreaks(UserId, "the user id");
        refuseLineBreaks(Password, "the password");
    }
}

bool TIdSMTP::willAuthenticate() const {
    return AuthenticationType == TIdSMTPAuthenticationType::atLogin && !didAuthenticate_ &&
           std::find(authSchemes_.begin(), authSchemes_.end(), "LOGIN") != authSchemes_.end();
}

void TIdSMTP::authenticate() {
    command("auth LOGIN", 334, Timeouts.command, answerTo("AUTH LOGIN"));
    command(base64Encode(UserId), 334, Timeouts.command, answerTo("the user name"));
    command(base64Encode(Password), 235, Timeouts.command, answerTo("the password"));
    didAuthenticate_ = true;
}

void TIdSMTP::Send(TIdMessage& message) {
    if (!Connected())
        throw EIdNotConnected();
    refuseUnsafeValues(message);
    // A relay on this machine (a local mail relay, a provider's bridge program) takes the
    // password over a connection that never leaves the machine.
    if (willAuthenticate() && !connection_.isEncrypted() &&
        !(Environment.PeerIsThisMachine && Environment.PeerIsThisMachine(connection_)))
        throw EIdTLSError("The server does not offer encryption, so the password was not sent. "
                          "Use port 587 or 465, or ask your provider for the encrypted setting.",
                          EIdTLSError::Cause::ClearTextPassword);

    command("Rset", kAnyCode, Timeouts.command, answerTo("RSET"));
    if (willAuthenticate())
        authenticate();
    command("Mail from:<" + message.From.Address + ">", 250, Timeouts.mailFrom,
            answerTo("MAIL FROM"), "the sender address");
    for (const auto* list : {&message.Recipients, &message.CCList, &message.BccList})
        for (const auto& item : *list)
            command("RCPT to:<" + item.Address + ">", 250, Timeouts.rcptTo, answerTo("RCPT TO"),
                    "a recipient address");
    command("Data", 354, Timeouts.dataStart, answerTo("DATA"));

    message.ExtraHeaders.SetValue("X-Mailer", MailAgent);
    writeData(message, [this](std::string_view bytes) { connection_.write(bytes); });
    if (BeforeDataEnd) {
        // The server cannot take the message before its final "."; what must be on disk
        // before the server may have it is written now, or nothing is sent at all.
        try {
            BeforeDataEnd();
        } catch (...) {
            connection_.close(); // the server drops a message whose end never came
            throw;
        }
    }
    connection_.write(".\r\n");
    // Until the socket has taken the final ".", the server cannot have taken the message: a
    // failure up to here is an ordinary one.
    connection_.flush();
    const std::string awaited = "its answer to the end of the message (the final \".\")";
    std::string lost;
    try {
        readReply(250, Timeouts.dataEnd, awaited);
        return;
    } catch (const EIdConnClosedGracefully&) {
        lost = "The server closed the connection while the program waited for " + awaited;
    } catch (const EIdSocketError& e) {
        lost = std::string(e.what()) + " while the program waited for " + awaited;
    } catch (const EIdProtocolReplyError& e) {
        if (e.replyCode() != 0)
            throw; // a clear answer: the server refused the message
        lost = std::string(e.what()) + " in " + awaited;
    }
    connection_.close();
    throw EIdDeliveryUnconfirmed(lost + ".");
}

void TIdSMTP::Disconnect() noexcept {
    if (Connected()) {
        try {
            CommandWriter(connection_).write("Quit");
            connection_.flush();
        } catch (...) {
            // The connection broke already; closing it is all that is left to do.
        }
        connection_.close();
    }
    didAuthenticate_ = false;
}

std::string TIdSMTP::headerBlock(const TIdMessage& m) const {
    const std::string charset = charsetForLocale(Environment.LocaleName);
    std::string out;
    auto add = [&](std::string_view name, const std::string& value) {
        if (value.empty())
            return;
        out += headerLine(name, value);
        out += "\r\n";
    };
    add("From", addressForm(m.From, charset));
    add("Subject", m.Subject);
    add("To", addressListForm(m.Recipients, charset));
    add("Cc", addressListForm(m.CCList, charset));
    add("Newsgroups", m.Newsgroups);
    add("Content-Type", m.ContentType);
    add("Content-Transfer-Encoding", m.ContentTransferEncoding);
    add("Sender", addressForm(m.Sender, charset));
    add("Reply-To", addressListForm(m.ReplyTo, charset));
    add("Organization", m.Organization);
    add("Disposition-Notification-To", addressForm(m.ReceiptRecipient, charset));
    add("References", m.References);
    const double date = m.Date == 0.0 ? Environment.Now() : m.Date;
    add("Date", dateForm(date, Environment.UtcOffsetMinutes(date)));
    add("X-Priority", std::to_string(priorityNumber(m.Priority)));
    add("X-Library", "Indy 8.0.25");
    for (const auto& [name, value] : m.ExtraHeaders.Lines())
        add(name, value);
    return out;
}

template <class Sink> void TIdSMTP::writeData(const TIdMessage& m, Sink&& sink) const {
    sink(headerBlock(m));
    sink("\r\n");
    if (isJapaneseLocale(Environment.LocaleName)) {
        CharsetConverter toJis(kProgramCharset, "ISO-2022-JP");
        std::string converted;
        // A line the set cannot hold goes out as it stands rather than losing characters.
        auto writeConverted = [&](const std::string& line) {
            writeBodyText(toJis.convert(line, converted) ? std::string_view(converted)
                                                         : std::string_view(line),
                          sink);
        };
        for (const auto& line : m.Body)
            writeConverted(line);
        for (const auto& line : fileLines(m.BodyText))
            writeConverted(line);
    } else {
        for (const auto& line : m.Body)
            writeBodyText(line, sink);
        writeBodyRuns(m.BodyText, sink);
    }
}

std::string TIdSMTP::DataContent(const TIdMessage& message) const {
    std::string out;
    writeData(message, [&out](std::string_view bytes) { out.append(bytes); });
    out += ".\r\n";
    return out;
}
