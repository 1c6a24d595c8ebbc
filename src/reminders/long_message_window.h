#pragma once

// The long message editor: the message of one pending reminder in a larger box. "Update"
// writes it back into the reminder the main window's grid points at (posted when the table's
// cursor next moves, written to reminders.txt at the next save). The text never holds a line
// break: Enter is not taken, and pasted line breaks become blanks. "^" and characters the
// single-byte charset cannot carry are refused where typed or pasted; at most 160 characters.

#include <QDialog>

class Context;
class TfrmMain;
class QPlainTextEdit;
class QLabel;
class QPushButton;

class TfrmLongMessage : public QDialog {
    Q_OBJECT
public:
    // Writes into the main window's current reminder.
    TfrmLongMessage(Context& context, TfrmMain& main, QWidget* parent = nullptr);
    ~TfrmLongMessage() override;

    void setMessage(const QString& text);
    // The text as it goes into the reminder: line breaks and tabs as blanks.
    QString message() const;
    void btnCloseClick();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* btnClose = nullptr;
    QLabel* lblSegments = nullptr; // what the message costs in SMS

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textChanged();

    Context& context_;
    TfrmMain& main_;
    QString lastGood_;
    bool restoring_ = false;
};
