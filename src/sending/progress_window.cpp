#include "sending/progress_window.h"

#include "ui/context.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TfrmProgress::TfrmProgress(Context& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), context_(context) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Sending mail..."));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    pgbProgress = new QProgressBar(this);
    pgbProgress->setObjectName(QStringLiteral("pgbProgress"));
    pgbProgress->setRange(0, 11);
    pgbProgress->setValue(0);
    pgbProgress->setTextVisible(false);
    pgbProgress->setMinimumWidth(320);
    layout->addWidget(pgbProgress);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::start(const QString& caption, int max) {
    setWindowTitle(caption);
    pgbProgress->setRange(0, std::max(0, max));
    pgbProgress->setValue(0);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void TfrmProgress::StepIt() {
    if (pgbProgress->value() < pgbProgress->maximum())
        pgbProgress->setValue(pgbProgress->value() + 1);
}
