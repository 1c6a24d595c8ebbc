#pragma once

#include "dialup/auto_form.h"

class Context;
class QLabel;
class QLineEdit;
class QPushButton;

// The prompt for the restriction password ("Password"). It has no Cancel: only its close box
// gives up, and that refuses the dial. The field keeps its text from one prompt to the next.
class TTimePasswordAutoForm : public TAutoForm {
    Q_OBJECT
public:
    explicit TTimePasswordAutoForm(Context& context, QWidget* parent = nullptr);

    // Shows the prompt modally with the focus in the field; true when closed with OK.
    bool Execute();
    void OkButtonClick();

    QLabel* Label1 = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QPushButton* OkButton = nullptr;

protected:
    // Esc does not close it: there is no Cancel button for Esc to press.
    void keyPressEvent(QKeyEvent* event) override;
};
