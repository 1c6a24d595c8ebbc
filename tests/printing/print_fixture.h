#pragma once

// The printed-list tests: the real windows, their print entries, the print dialog answered with
// Qt's PDF printer and a file in the test's folder, and the PDF read back with pdftotext.

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "core/tables/date_time.h"
#include "harness/pdf_text.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QItemSelectionModel>
#include <QPrinter>
#include <QString>

#include <filesystem>
#include <vector>

class PrintTest : public WindowTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 10, 9, 0);
        startForms();
        setSender("Front Desk");
    }

    TdxMemData& reminders() { return *forms->frmMain->dxmReminders; }
    TdxMemData& sentItems() { return *forms->frmSentItems->dxmSentItems; }
    TdxMemData& contacts() { return *forms->frmContact->dxContact; }
    TdxMemData& messages() { return *forms->frmMessage->dxmMessage; }

    QString pdf(const char* name) const { return QString::fromStdString(folder.file(name)); }
    static bool exists(const QString& path) { return std::filesystem::exists(path.toStdString()); }

    // The next print dialog chooses the PDF printer with this file, copies and page range.
    void answerPdf(const QString& path, int copies = 1, int fromPage = 0, int toPage = 0) {
        prompter.expectPrintTo([=](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setCopyCount(copies);
            if (fromPage > 0)
                printer.setFromTo(fromPage, toPage);
        });
    }

    // The stored sender's name.
    void setSender(const std::string& name) {
        TdxMemData& mail = *forms->frmSendMail->dmMail;
        mail.First();
        mail.Edit();
        mail.FieldNamed("FromName").SetAsString(name);
        mail.Post();
    }

    static void add(TdxMemData& table,
                    const std::vector<std::pair<const char*, FieldValue>>& values) {
        std::vector<FieldValue> row(static_cast<size_t>(table.FieldCount()));
        for (const auto& [field, value] : values)
            row[static_cast<size_t>(table.FieldIndex(field))] = value;
        table.AddRow(row);
    }

    void addReminder(const std::string& number, const std::string& name, int day,
                     const std::string& message, int hour = 10) {
        add(reminders(), {{"contact_no", number},
                          {"name", name},
                          {"appointment_date", dayNumber(2026, 12, day)},
                          {"appointment_time", timeMs(hour, 30)},
                          {"message", message},
                          {"days_before_appointment", int32_t{1}},
                          {"recurring_days", int32_t{0}}});
    }
    void addSent(const std::string& number, const std::string& name, int createDay,
                 const std::string& message) {
        add(sentItems(), {{"contact_no", number},
                          {"name", name},
                          {"appointment_date", dayNumber(2026, 12, 14)},
                          {"appointment_time", timeMs(10, 30)},
                          {"message", message},
                          {"days_before_appointment", int32_t{2}},
                          {"recurring_days", int32_t{7}},
                          {"create_date", dayNumber(2026, 12, createDay)}});
    }
    void addContact(const std::string& name, const std::string& number, const std::string& group) {
        add(contacts(), {{"contact", name}, {"number", number}, {"group", group}});
    }
    void addMessage(const std::string& text) { add(messages(), {{"message", text}}); }

    // Selects these table rows (0-based) in a grid, and nothing else.
    static void select(QAbstractItemView* grid, const std::vector<int>& rows) {
        QItemSelectionModel* s = grid->selectionModel();
        s->clearSelection();
        for (int r : rows)
            s->select(grid->model()->index(r, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    template <typename W> static QAction* action(W* window, const char* name) {
        return window->template findChild<QAction*>(QString::fromLatin1(name));
    }
};
