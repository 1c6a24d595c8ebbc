#pragma once

#include <QDialog>

class Forms;

// The SMTP authentication window.
class TfrmAuth : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAuth(Forms& forms, QWidget* parent = nullptr);
    ~TfrmAuth() override;

private:
    Forms& forms_;
};
