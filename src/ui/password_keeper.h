#pragma once

// Where a login's password is kept between runs when the user ticks "Remember": the desktop's
// keyring (the Secret Service on GNOME and KDE) through QtKeychain, never a file of the program.
// Tests and a desktop without a keyring use the in-memory keeper, which forgets at exit.

#include <QMap>
#include <QString>

#include <optional>

class PasswordKeeper {
public:
    virtual ~PasswordKeeper() = default;
    // The password kept for the account ("imap:user@host"), if any.
    virtual std::optional<QString> find(const QString& account) = 0;
    // Keeps it; false when the keyring refused (the password is then only used this once).
    virtual bool keep(const QString& account, const QString& password) = 0;
    virtual void forget(const QString& account) = 0;
};

// Passwords for this run only.
class MemoryPasswordKeeper : public PasswordKeeper {
public:
    std::optional<QString> find(const QString& account) override;
    bool keep(const QString& account, const QString& password) override;
    void forget(const QString& account) override;

private:
    QMap<QString, QString> passwords_;
};
