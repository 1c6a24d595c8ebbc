#include "ui/password_keeper.h"

std::optional<QString> MemoryPasswordKeeper::find(const QString& account) {
    const auto it = passwords_.constFind(account);
    if (it == passwords_.constEnd())
        return std::nullopt;
    return *it;
}

bool MemoryPasswordKeeper::keep(const QString& account, const QString& password) {
    passwords_.insert(account, password);
    return true;
}

void MemoryPasswordKeeper::forget(const QString& account) {
    passwords_.remove(account);
}
