#pragma once

// The note a send leaves on disk while the gateway may hold a batch whose fate the files do not
// yet tell: written before the end of the e-mail goes to the server, removed once the outcome
// (sent items written, pending file gone) is on disk. A note found at start-up means the program
// stopped in between; start-up asks the user what became of the batch (send_transaction.h).
//
// The file is a few "name<TAB>value" lines:
//     batch       the batch identifier, in its table text ("46000.5123")
//     hash        SHA-256 of the pending file's bytes as mailed, in lower-case hex
//     reminders   how many reminders the batch holds
//     started     when the send began, local date-time as a float's table text

#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kSendJournalFile = "sendjournal.txt";

struct SendJournal {
    std::string batch;
    std::string fileHash;
    int reminders = 0;
    double started = 0.0; // days since 30/12/1899 plus the fraction of the day
};

// SHA-256 of bytes in lower-case hex.
std::string sha256Hex(std::string_view bytes);

// Written whole (temporary file, flushed, renamed); throws EFileError when it cannot be.
void writeSendJournal(const std::string& path, const SendJournal& journal);
// The journal at path; nullopt when there is none or its lines do not read as one.
std::optional<SendJournal> readSendJournal(const std::string& path);
// Throws EFileError when a journal that is there cannot be removed.
void clearSendJournal(const std::string& path);
