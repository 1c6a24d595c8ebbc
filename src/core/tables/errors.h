#pragma once

#include <stdexcept>
#include <string>

// Every failure of the program is an exception. The general error display shows what() in an
// error box; EAbort is swallowed silently.

// A record table's own error; the message already carries the table's name ("dxGroup: ...").
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A table text read to its end, of which a part was left out (a value longer than its field, a
// line longer than the reader takes): every other value was read.
class ETableTextCut : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// A value that a field refuses ("'x' is not a valid date"); carries no table name.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, created or written ("Cannot create file %s").
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An index outside a list ("List index out of bounds (3)").
class EListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A silent stop: ends the operation in progress without any box.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
