#include "sending/progress_window.h"

#include "ui/context.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmProgress::TfrmProgress(Context& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      context_(context) {
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
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->hide();
    layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::reject);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::start(const QString& caption, int max, bool cancellable) {
    // Modality takes effect when the window is shown.
    hide();
    setWindowModality(cancellable ? Qt::ApplicationModal : Qt::NonModal);
    btnCancel->setVisible(cancellable);
    btnCancel->setEnabled(true);
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

void TfrmProgress::reject() {
    if (btnCancel->isHidden()) {
        QDialog::reject();
        return;
    }
    if (!btnCancel->isEnabled())
        return; // asked already
    btnCancel->setEnabled(false);
    emit cancelRequested();
}
