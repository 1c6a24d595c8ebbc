#pragma once

#include <memory>

class Context;
class FolderLock;

// The lock a send holds from stamping to the move into the sent items, so that two copies of
// the program on one data folder never mail the same pending reminders. When another copy is
// sending, one error box says who, and nothing is returned: the send does not start.
std::unique_ptr<FolderLock> takeSendingLock(Context& context);
