#pragma once

#include <QDialog>

class Forms;

// A small progress window.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(Forms& forms, QWidget* parent = nullptr);
    ~TfrmProgress() override;

private:
    Forms& forms_;
};
