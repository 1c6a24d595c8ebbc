#pragma once

#include <QDialog>

class Forms;

// The send window: sender settings and the batch send.
class TfrmSendMail : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSendMail(Forms& forms, QWidget* parent = nullptr);
    ~TfrmSendMail() override;

private:
    Forms& forms_;
};
