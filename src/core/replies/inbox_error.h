#pragma once

#include <stdexcept>

// A check of the inbox that failed: the text names the server and the reason, ready for one box.
class EInboxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
