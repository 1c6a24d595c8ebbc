#include "app/main_window.h"

#include "app/forms.h"
#include "data/schemas.h"

TfrmMain::TfrmMain(Forms& forms, QWidget* parent)
    : QMainWindow(parent), dxmReminders(schemas::makeReminders()), dxGroup(schemas::makeGroups()),
      dxContactNumbers(schemas::makeContactNumbers()), forms_(forms) {
    setObjectName(QStringLiteral("frmMain"));
}

TfrmMain::~TfrmMain() = default;
