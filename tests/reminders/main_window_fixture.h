#pragma once

// The main window under test: the program's windows in a fresh folder, the main window shown
// and active, and helpers that drive its named controls.

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "ui/table_model.h"
#include "ui/widgets/date_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>

inline const std::string kRemindersHeader =
    "contact_no^name^appointment_date^appointment_time^message^days_before_appointment^"
    "recurring_days^Recurring^status^delivery^batch^AllKey^\r\n";

class MainWindowTest : public WindowTest {
protected:
    // Starts the windows, fills the contact book with contacts (name, number, group) and shows
    // the main window as the program does.
    TfrmMain* start(const std::vector<std::array<std::string, 3>>& contacts = {}) {
        if (!forms)
            startForms();
        for (const auto& c : contacts)
            forms->frmContact->dxContact->AddRow({FieldValue{}, c[0], c[1], c[2], c[1] + c[2]});
        main()->show();
        main()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(main()));
        main()->FormActivate(); // deterministic, whatever the platform's activation does
        settle();
        return main();
    }

    TfrmMain* main() const { return forms->frmMain; }
    TdxMemData& reminders() const { return *forms->frmMain->dxmReminders; }
    TdxMemData& contacts() const { return *forms->frmContact->dxContact; }

    // Lets posted events (the keys fed after OK, activation) arrive.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    template <typename T> T* w(const char* name) { return find<T>(main(), name); }

    void type(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClicks(box, text);
    }

    // Fills the panel the way a user does and presses OK.
    void addReminder(const QString& name, const QString& number, const QString& message,
                     int32_t day, int hour, int minute) {
        type(main()->visibleNamePicker(), name);
        w<QLineEdit>("mskContactNo")->clear(); // typing a known name fills its number in
        type(w<QLineEdit>("mskContactNo"), number);
        w<TDateBox>("dtpDate")->setDay(day);
        w<QTimeEdit>("dtpTime")->setTime(QTime(hour, minute));
        w<QComboBox>("cboMessage")->setEditText(message);
        QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
        settle();
    }

    std::string reminderLine(const std::string& number, const std::string& name,
                             const std::string& date, const std::string& time,
                             const std::string& message, const std::string& allKey,
                             const std::string& days = "0", const std::string& second = "0",
                             const std::string& recurring = "") {
        return number + "^" + name + "^" + date + "^" + time + "^" + message + "^" + days + "^" +
               second + "^" + recurring + "^False^False^0^" + allKey + "^\r\n";
    }

    std::string field(int row, const char* name) const {
        return reminders().CellText(row, reminders().FieldIndex(name));
    }
};
