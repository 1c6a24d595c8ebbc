#pragma once

// How a step of the SMTP client ended, as the tests compare it: the kind of the client's
// exception, its text and its code. One classifier for the dialogue, TLS and interop tests.

#include "core/smtp/smtp_errors.h"

#include <functional>
#include <optional>
#include <string>

enum class Failure { None, Reply, Socket, Closed, LineBreak, Unconfirmed, Tls };

struct SmtpFailure {
    Failure kind = Failure::None;
    std::string text{};
    // The reply code of a reply error, the errno of a socket error.
    int code = 0;
    std::optional<EIdTLSError::Cause> tlsCause{};
};

// Runs step and tells how it failed; Failure::None when it did not. Exceptions of other kinds
// go on to the test, which then fails with their text.
inline SmtpFailure failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const EIdProtocolReplyError& e) {
        return {Failure::Reply, e.what(), e.replyCode()};
    } catch (const EIdSocketError& e) {
        return {Failure::Socket, e.what(), e.errorCode()};
    } catch (const EIdConnClosedGracefully& e) {
        return {Failure::Closed, e.what()};
    } catch (const EIdLineBreakInValue& e) {
        return {Failure::LineBreak, e.what()};
    } catch (const EIdDeliveryUnconfirmed& e) {
        return {Failure::Unconfirmed, e.what()};
    } catch (const EIdTLSError& e) {
        return {Failure::Tls, e.what(), 0, e.cause()};
    }
    return {};
}
