#pragma once

#include <QMainWindow>

class Forms;

// The main window: the pending reminders, the entry panel and the actions.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(Forms& forms, QWidget* parent = nullptr);
    ~TfrmMain() override;

private:
    Forms& forms_;
};
