#pragma once

// The boxes a send that the server accepted shows, in order, each answered as a user who does
// not print.

#include "harness/test_prompter.h"

inline void expectSendSuccessBoxes(TestPrompter& prompter) {
    prompter.expect(BoxKind::Information, QStringLiteral("Message successfully sent"));
    prompter.expect(BoxKind::Confirmation, QStringLiteral("Would you like to print all records?"),
                    BoxButton::No);
    prompter.expect(BoxKind::Message,
                    QStringLiteral(
                        "Remember to disconnect from the Internet if you are finished sending"),
                    BoxButton::Ok, QStringLiteral("Warning"));
}
