#pragma once

#include <QDialog>

class Forms;

// The contact book window.
class TfrmContact : public QDialog {
    Q_OBJECT
public:
    explicit TfrmContact(Forms& forms, QWidget* parent = nullptr);
    ~TfrmContact() override;

private:
    Forms& forms_;
};
