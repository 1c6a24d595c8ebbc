#include "sending/progress_window.h"

#include "app/forms.h"

TfrmProgress::TfrmProgress(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmProgress"));
}

TfrmProgress::~TfrmProgress() = default;
