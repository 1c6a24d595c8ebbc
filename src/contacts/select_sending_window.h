#pragma once

#include <QDialog>

class Forms;

// Details for reminders to the selected contacts.
class TfrmSelectSending : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelectSending(Forms& forms, QWidget* parent = nullptr);
    ~TfrmSelectSending() override;

private:
    Forms& forms_;
};
