#pragma once

#include "ui/password_keeper.h"

// The desktop keyring through QtKeychain. Each call waits for the keyring's answer in a local
// event loop (the Secret Service answers over D-Bus), so windows keep painting meanwhile.
class KeychainPasswordKeeper : public PasswordKeeper {
public:
    std::optional<QString> find(const QString& account) override;
    bool keep(const QString& account, const QString& password) override;
    void forget(const QString& account) override;
};
