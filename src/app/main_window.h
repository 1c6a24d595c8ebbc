#pragma once

#include <QMainWindow>
#include <memory>

#include "data/mem_data.h"

class Forms;
class QLabel;
class QTimeEdit;

// The main window: the pending reminders, the entry panel and the actions.
// Other windows reach its tables and the members below directly.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(Forms& forms, QWidget* parent = nullptr);
    ~TfrmMain() override;

    std::unique_ptr<TdxMemData> dxmReminders;     // pending reminders ("^" file)
    std::unique_ptr<TdxMemData> dxGroup;          // contact groups
    std::unique_ptr<TdxMemData> dxContactNumbers; // scratch list of one contact's numbers

    // Controls the send window writes into when it is created.
    QLabel* ClientName = nullptr; // the sender's name beside "Sender:"
    QTimeEdit* dtpTime = nullptr; // the appointment time box

    int incMins = 0;                    // minutes between default appointment times
    QString entryMode = QStringLiteral("Add");
    bool keyRejected = false;
    bool groupDeleteInProgress = false;
    bool AllExists = false;
    bool BlankExists = false;

private:
    Forms& forms_;
};
