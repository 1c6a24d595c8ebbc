#pragma once

// The box a send that the server accepted shows, answered as a user who does not print: how many
// reminders went, to the gateway, at what time, with "Print Them" and "Close". The reminder to
// disconnect comes only when the dialer made the connection for this send.

#include "core/smtp/gateway_message.h"
#include "harness/test_prompter.h"

inline QString sendSuccessText(int count, const QString& at) {
    return (count == 1 ? QStringLiteral("1 reminder sent")
                       : QStringLiteral("%1 reminders sent").arg(count)) +
           QStringLiteral(" to ") + QString::fromLatin1(kGatewayAddress) + QStringLiteral(" at ") +
           at + QLatin1Char('.');
}

// Any count and time: the tests that check them look at the recorded box.
inline void expectSendSuccessBoxes(TestPrompter& prompter, bool dialled = false,
                                   BoxButton answer = BoxButton::No) {
    prompter.expect(BoxKind::Information, QString(), answer, QStringLiteral("Sent"));
    if (dialled)
        prompter.expect(
            BoxKind::Message,
            QStringLiteral("Remember to disconnect from the Internet if you are finished sending"),
            BoxButton::Ok, QStringLiteral("Warning"));
}
