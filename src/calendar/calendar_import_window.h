#pragma once

// "Import Appointments": the appointments of a calendar file or subscription, matched to the
// contact book, looked over in a list and made into pending reminders. Every reminder goes
// through the pending list's one way in (appendReminder), with the checks of OK; the pending
// list changes only at "Add".

#include "calendar/appointment_entries.h"
#include "core/reminders/appointment_import.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class Context;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QStringListModel;
class QTableWidget;
class QToolButton;
class TdxMemData;

class TfrmCalendarImport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalendarImport(Context& context, QWidget* parent = nullptr);
    ~TfrmCalendarImport() override;

    QComboBox* cboCalendarSource = nullptr;
    QToolButton* btnCalendarSource = nullptr;
    QDateEdit* dtpFrom = nullptr;
    QDateEdit* dtpTo = nullptr;
    QComboBox* cboMessage = nullptr;
    QSpinBox* sedDaysBefore = nullptr;
    QPushButton* bmbReadCalendar = nullptr;
    QTableWidget* dbgCalendarRows = nullptr;
    QLabel* lblCalendarStatus = nullptr;
    QPushButton* bmbAddAppointments = nullptr;
    QPushButton* bmbClose = nullptr;

    // The grid's columns.
    enum Column { ColTick, ColDate, ColTime, ColTitle, ColContact, ColState, ColReason, ColCount };

    // How long a subscription may take (tests set a short one).
    long downloadTimeoutMs = 60000;

    void FormShow();
    void btnCalendarSourceClick();
    void bmbReadCalendarClick();
    void bmbAddAppointmentsClick();
    // The contact picked in the row's picker (index into its list; 0 is "no match").
    void contactPicked(int row, int index);

signals:
    // Reminders were added, moved or deleted in the pending list.
    void remindersChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    std::string download(const std::string& address);
    ImportSetting setting();
    bool checkMessage();
    void review();
    void fillRows();
    void fillRow(int row);
    void keepSubscription(const QString& address);
    void loadSubscriptions();

    Context& context_;
    std::unique_ptr<TdxMemData> dxCalendarSources_;
    std::unique_ptr<CalendarLinks> links_;
    std::unique_ptr<ContactMatcher> matcher_;
    QStringListModel* bookModel_ = nullptr; // "no match" and the whole book, for the pickers
    std::string source_;                    // the calendar last read, as its links name it
    MatchedEntries matched_;
    std::vector<AppointmentReview> reviews_;
};
