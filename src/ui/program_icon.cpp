#include "ui/program_icon.h"

QIcon programIcon() {
    QIcon fallback;
    fallback.addFile(QStringLiteral(":/icons/tallyminder-48.png"));
    fallback.addFile(QStringLiteral(":/icons/tallyminder-256.png"));
    return QIcon::fromTheme(QStringLiteral("tallyminder"), fallback);
}
