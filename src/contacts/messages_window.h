#pragma once

#include <QDialog>

class Forms;

// The standard messages window.
class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(Forms& forms, QWidget* parent = nullptr);
    ~TfrmMessage() override;

private:
    Forms& forms_;
};
