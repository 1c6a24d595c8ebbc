#pragma once

#include <QDialog>

class Forms;

// The sent items log.
class TfrmSentItems : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSentItems(Forms& forms, QWidget* parent = nullptr);
    ~TfrmSentItems() override;

private:
    Forms& forms_;
};
