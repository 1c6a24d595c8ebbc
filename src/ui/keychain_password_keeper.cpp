#include "ui/keychain_password_keeper.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("Tallyminder");

// Runs a keyring job to its end; true when it succeeded.
bool run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

} // namespace

std::optional<QString> KeychainPasswordKeeper::find(const QString& account) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(account);
    if (!run(job))
        return std::nullopt;
    return job.textData();
}

bool KeychainPasswordKeeper::keep(const QString& account, const QString& password) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(account);
    job.setTextData(password);
    return run(job);
}

void KeychainPasswordKeeper::forget(const QString& account) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(account);
    run(job);
}
