#include "app/main_window.h"

#include "app/forms.h"

TfrmMain::TfrmMain(Forms& forms, QWidget* parent) : QMainWindow(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmMain"));
}

TfrmMain::~TfrmMain() = default;
