#pragma once

// "Details for Selected Contacts": one set of appointment details, and on OK one pending
// reminder per contact of the contacts window's SelectedContactKeys.
//
// Other windows use: closedFromSelection (set by every OK; the contacts window's close step
// reads and clears it) and loadMessageCombo() (the standard messages window refills the list).

#include <QDialog>

#include <cstdint>

class Context;
class TfrmContact;
class TfrmMessage;
class MessageEntry;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class QToolButton;

class TfrmSelectSending : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelectSending(Context& context, QWidget* parent = nullptr);
    ~TfrmSelectSending() override;

    bool closedFromSelection = false;

    QGroupBox* GroupBox1 = nullptr;
    QDateEdit* dtpDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QSpinBox* sedDaysBefore = nullptr;
    QSpinBox* sedRecurringDays = nullptr;
    QComboBox* cboMessage = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblSegments = nullptr; // what the message costs in SMS
    QToolButton* btnMessage = nullptr;
    QComboBox* cboRecurring = nullptr;
    QPushButton* bmbOK = nullptr;
    QPushButton* bmbCancel = nullptr;
    QLabel* lblSelected = nullptr; // how many contacts the reminders are for
    MessageEntry* messageEntry = nullptr;

    void FormCreate();
    void loadMessageCombo();
    void btnMessageClick();
    bool cboMessageKeyPress(const QString& key);
    void cboMessageKeyUp();
    void bmbOKClick();

    int32_t dateDay() const;
    void setDateDay(int32_t day);
    // The time of dtpTime without its seconds (ms since midnight).
    int32_t timeMs() const;

    // The windows of this folder it works with (set where the windows are created).
    TfrmContact* frmContact = nullptr;
    TfrmMessage* frmMessage = nullptr;

signals:
    // Reminders were added to the pending list: how many.
    void remindersAdded(int count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    Context& context_;
};
