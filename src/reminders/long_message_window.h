#pragma once

#include <QDialog>

class Forms;

// The long message editor.
class TfrmLongMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLongMessage(Forms& forms, QWidget* parent = nullptr);
    ~TfrmLongMessage() override;

private:
    Forms& forms_;
};
