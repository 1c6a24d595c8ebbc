// The main window's entry panel: OK, adding and editing reminders, the contact book kept
// growing, and the preparation of the next entry.

#include "core/contacts/contact_rules.h"
#include "core/reminders/reminder.h"
#include "core/reminders/reminders_for_contacts.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/suspended_views.h"
#include "reminders/main_window.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/message_entry.h"
#include "ui/widgets/text_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

const QString kPleaseSelectNumber = QStringLiteral("Please select number");

int32_t wholeMinutes(int32_t ms) {
    return ms - ms % 60000;
}

} // namespace

// ---- small accessors -------------------------------------------------------------------------

QComboBox* TfrmMain::visibleNamePicker() const {
    return cboContactName->isHidden() ? cboAll : cboContactName;
}

bool TfrmMain::numberListShown() const {
    return !cboNumber->isHidden();
}

QString TfrmMain::pickerText(QComboBox* box) const {
    return box->currentText();
}

void TfrmMain::setDate(int32_t day) {
    dtpDate->setDay(day);
}

void TfrmMain::setTime(int32_t ms) {
    dtpTime->setTime(QTime::fromMSecsSinceStartOfDay(((ms % kMsPerDay) + kMsPerDay) % kMsPerDay));
}

int32_t TfrmMain::dateDay() const {
    return dtpDate->day();
}

int32_t TfrmMain::timeMs() const {
    return dtpTime->time().msecsSinceStartOfDay();
}

// ---- OK ------------------------------------------------------------------------------------

void TfrmMain::bmbOKClick() {
    // A standard message picked and confirmed without a key typed still holds its
    // placeholders: the customer must get the date and time, not "|" and "~".
    while (messageEntry->fillPlaceholders()) {
    }
    QComboBox* picker = visibleNamePicker();
    QString name = picker->currentText();
    if (picker == cboContactName)
        name = getFirstPart(name, QStringLiteral(" ("));
    if (name.isEmpty() && cboContactName->isEnabled() && cboAll->isEnabled()) {
        context_.prompter().error(QStringLiteral("Contact field may not be empty"));
        picker->setFocus();
        return;
    }
    if (cboMessage->currentText().isEmpty()) {
        context_.prompter().error(QStringLiteral("Message cannot be blank"));
        cboMessage->setFocus();
        return;
    }
    // "^" separates the fields of reminders.txt: from a contact or message file edited outside
    // the program it would split the row when the file is next read.
    const std::pair<QWidget*, QString> sources[] = {{picker, picker->currentText()},
                                                    {mskContactNo, mskContactNo->text()},
                                                    {cboNumber, cboNumber->currentText()},
                                                    {cboMessage, cboMessage->currentText()},
                                                    {cboRecurring, cboRecurring->currentText()}};
    for (const auto& [source, text] : sources) {
        if (!source->isHidden() && text.contains(QLatin1Char('^'))) { // the shown one of a pair
            context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
            source->setFocus();
            return;
        }
    }
    if (chkAll->isChecked()) {
        const int before = dxmReminders->RowCount();
        AddEditAll();
        reportAdded(dxmReminders->RowCount() - before);
    } else {
        if (mskContactNo->text().startsWith(QLatin1Char(' '))) {
            context_.prompter().error(QStringLiteral("Number cannot be blank"));
            if (numberListShown())
                cboNumber->setFocus();
            else
                mskContactNo->setFocus();
            return;
        }
        if (!confirmDoNotText())
            return; // the entry stays as typed
        if (!name.isEmpty()) {
            QString text = picker->currentText();
            text[0] = text[0].toUpper();
            picker->setEditText(text);
        }
        AddEditNew();
    }

    // The common tail: a clean panel for the next reminder.
    chkAll->setChecked(false);
    picker = visibleNamePicker();
    cboMessage->setEditText(QString());
    picker->setEditText(QString());
    cboNumber->setEditText(QString());
    mskContactNo->clear();
    picker->setFocus();
    feedPickerSpaceBackspace(picker);
    entryMode = QStringLiteral("Add");
    dxmReminders->Last();
}

bool TfrmMain::confirmDoNotText() {
    // Asked of a new reminder only; the check before sending lists every pending one listed.
    if (entryMode != QStringLiteral("Add") && dxmReminders->RowCount() > 0)
        return true;
    const QString number =
        numberListShown() ? cboNumber->currentText().trimmed() : mskContactNo->text();
    if (!DoNotTextSet(*context_.tables().dxDoNotText).contains(tableBytes(number)))
        return true;
    if (context_.prompter().confirm(
            number.trimmed() +
                QStringLiteral(" is on the do-not-text list. Add the reminder anyway?"),
            BoxButton::No))
        return true;
    (numberListShown() ? static_cast<QWidget*>(cboNumber) : mskContactNo)->setFocus();
    return false;
}

void TfrmMain::feedPickerSpaceBackspace(QComboBox* picker) {
    // As if typed: the picker runs its change handling on its empty text once the keys arrive.
    for (auto [key, text] : {std::pair{Qt::Key_Space, QStringLiteral(" ")},
                             std::pair{Qt::Key_Backspace, QStringLiteral("\b")}}) {
        QCoreApplication::postEvent(picker,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(picker,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    }
}

void TfrmMain::AddEditNew() {
    TdxMemData& contacts = *context_.tables().dxContact;
    auto keepContactBook = [&] {
        // The contact book in memory is exactly what its file holds.
        context_.tables().write(contacts, kContactsFile);
        context_.tables().reload(contacts, kContactsFile);
    };
    try {
        if (numberListShown())
            mskContactNo->setText(cboNumber->currentText().trimmed());
        const bool noNumber =
            (numberListShown() && cboNumber->currentText() == kPleaseSelectNumber) ||
            mskContactNo->text().isEmpty();
        if (noNumber) {
            context_.prompter().error(QStringLiteral("Please enter a contact number"));
            showNumberList(false);
        } else {
            QComboBox* picker = visibleNamePicker();
            const std::string number = tableBytes(mskContactNo->text());
            const std::string name =
                tableBytes(getFirstPart(picker->currentText(), QStringLiteral(" (")));
            const std::string message = tableBytes(cboMessage->currentText());
            const std::string recurring = tableBytes(cboRecurring->currentText());
            TdxMemData& r = *dxmReminders;
            if (entryMode != QStringLiteral("Add") && r.BookmarkValid(panelBookmark_)) {
                // Editing the reminder the panel shows: AllKey, status, delivery and batch stay.
                r.ReturnToBookmark(panelBookmark_);
                Reminder reminder = reminderAt(r, r.RowNumber());
                reminder.contactNo = number;
                reminder.name = name;
                reminder.appointmentDate = dateDay();
                reminder.appointmentTime = timeMs();
                reminder.message = message;
                reminder.daysBefore = sedDaysBefore->value();
                reminder.recurringDays = sedRecurringDays->value();
                reminder.recurring = recurring;
                updateReminder(r, reminder);
                dbgReminders->clearSelection();
            } else {
                Reminder reminder;
                reminder.contactNo = number;
                reminder.name = name;
                reminder.appointmentDate = dateDay();
                reminder.appointmentTime = wholeMinutes(timeMs());
                reminder.message = message;
                reminder.daysBefore = sedDaysBefore->value();
                reminder.recurringDays = sedRecurringDays->value();
                reminder.recurring = recurring;
                appendReminder(r, reminder);
                checkContact();
            }
            saveReminders();
            PrepareForNew();
        }
    } catch (...) {
        keepContactBook();
        throw;
    }
    keepContactBook();
}

void TfrmMain::checkContact() {
    TdxMemData& contacts = *context_.tables().dxContact;
    QComboBox* picker = visibleNamePicker();
    const QString text = picker->currentText();
    QString group =
        fromTableText(contactGroupText(tableBytes(groupPart(text, cboGroup->currentText()))));
    if (group == QStringLiteral("all"))
        group.clear();
    const QString name = getFirstPart(text, QStringLiteral(" ("));
    const QString number = mskContactNo->text();
    const QString key = contactKey(number, group);
    // Ignoring case: a group capitalised by hand in the file is the same group.
    if (findContactKey(contacts, tableBytes(key).substr(0, 20)) >= 0)
        return;
    contacts.AddRow(
        {FieldValue{}, tableBytes(name), tableBytes(number), tableBytes(group), tableBytes(key)});
    auto addSorted = [](QComboBox* box, const QString& item) {
        int at = 0;
        while (at < box->count() && compareNames(box->itemText(at), item) <= 0)
            ++at;
        box->insertItem(at, item);
    };
    // The group's picker shows bare names; "all" names each contact's group.
    if (picker == cboContactName)
        addSorted(cboContactName, name);
    addSorted(cboAll, pickerItemText(name, group));
}

void TfrmMain::AddEditAll() {
    TdxMemData& r = *dxmReminders;
    TdxMemData& contacts = *context_.tables().dxContact;
    SuspendedViews suspended(r);
    contacts.SetSortedField(fields::number);
    contacts.First();
    const std::string group = normalGroupText(tableBytes(cboGroup->currentText()));
    Reminder reminder;
    reminder.message = tableBytes(cboMessage->currentText());
    reminder.recurring = tableBytes(cboRecurring->currentText());
    reminder.appointmentDate = dateDay();
    reminder.appointmentTime = wholeMinutes(timeMs());
    reminder.daysBefore = sedDaysBefore->value();
    reminder.recurringDays = sedRecurringDays->value();
    TField& fName = contacts.FieldNamed(fields::contact);
    TField& fNumber = contacts.FieldNamed(fields::number);
    TField& fGroup = contacts.FieldNamed(fields::group);

    // Each contact once. The contacts to delete go at the end, in one pass: a deletion per row
    // would move every row after it. A contact without a number is offered for deletion; the
    // others of the group are reminded by the one core step.
    std::vector<int> doomed;
    std::vector<ContactToRemind> members;
    const auto deleteDoomed = [&] {
        std::vector<int> bookmarks;
        bookmarks.reserve(doomed.size());
        for (int at : doomed)
            bookmarks.push_back(contacts.BookmarkAt(at));
        doomed.clear();
        while (!bookmarks.empty()) {
            try {
                contacts.DeleteBookmarked(bookmarks);
                return;
            } catch (const EAbort&) {
                // The contact book kept the row it stopped on; those before it are gone, and
                // the ones after it are still to delete.
                std::unordered_set<int> kept;
                for (int at = 0; at < contacts.RowCount(); ++at)
                    kept.insert(contacts.BookmarkAt(at));
                const auto stop = std::find_if(bookmarks.begin(), bookmarks.end(),
                                               [&](int b) { return kept.count(b) > 0; });
                bookmarks.erase(bookmarks.begin(),
                                stop == bookmarks.end() ? stop : std::next(stop));
            }
        }
    };
    try {
        for (int row = 1; row <= contacts.RowCount(); ++row) {
            contacts.SetRowNumber(row);
            const std::string name = fName.AsString();
            const std::string numberText = fNumber.AsString();
            if (numberText.empty()) {
                bool remove = true;
                if (!name.empty()) {
                    Box box;
                    box.kind = BoxKind::Warning;
                    box.caption = QStringLiteral("Warning");
                    box.text = fromTableText(name) +
                               QStringLiteral(" has no contact number. Would you like to ") +
                               QStringLiteral("delete this record?");
                    box.buttons = {BoxButton::Yes, BoxButton::No};
                    box.defaultButton = BoxButton::Yes;
                    remove = context_.prompter().show(box) == BoxButton::Yes;
                }
                if (remove)
                    doomed.push_back(row - 1);
                continue;
            }
            if (group != "all" && normalGroupText(fGroup.AsString()) != group)
                continue;
            members.push_back({name, numberText});
        }
    } catch (...) {
        deleteDoomed(); // as far as it went
        throw;
    }
    deleteDoomed();
    RemindOptions sendAll;
    sendAll.trimNumber = true;
    sendAll.skipPending = true;
    sendAll.keyByTrimmedMessage = true;
    const RemindedContacts done =
        remindContacts(r, reminder, members, DoNotTextSet(*context_.tables().dxDoNotText), sendAll);
    if (done.skippedFor(SkipReason::CaretInText) > 0)
        context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
    if (const int skipped = done.skippedFor(SkipReason::OnDoNotTextList); skipped > 0)
        context_.prompter().information(QString::fromStdString(skippedDoNotTextMessage(skipped)));
}

// ---- a fresh entry, and loading a reminder -----------------------------------------------------

void TfrmMain::PrepareForNew() {
    messageEntry->forget();
    entryMode = QStringLiteral("Add");
    mskContactNo->setEnabled(true);
    mskContactNo->clear();
    showNumberList(false);
    if (!chkAll->isChecked()) {
        cboAll->setEnabled(true);
        cboContactName->setEnabled(true);
    }
    cboMessage->setEnabled(true);
    TdxMemData& r = *dxmReminders;
    if (r.RowCount() == 0) {
        setDate(context_.clock().today());
    } else {
        r.Last();
        // Once the date box has an earliest date, a last reminder before it proposes that
        // earliest date: a past date is never a useful proposal, and the box would refuse it
        // half-way through this step.
        const Reminder last = reminderAt(r, r.RowNumber());
        int32_t day = last.appointmentDate;
        if (const auto earliest = dtpDate->minimumDay(); earliest && day < *earliest)
            day = *earliest;
        setDate(day);
        setTime(last.appointmentTime + incMins * 60000);
    }
    sedDaysBefore->setValue(0);
    sedRecurringDays->setValue(0);
    cboMessage->setEditText(QString());
    if (!cboContactName->isHidden() && cboContactName->isEnabled())
        cboContactName->setFocus();
    else if (cboAll->isEnabled())
        cboAll->setFocus();
    visibleNamePicker()->setEditText(QString());
    cboNumber->setEditText(QString());
    mskContactNo->clear();
    cboRecurring->setEditText(QString());
}

void TfrmMain::setRecordActive() {
    mskContactNo->setEnabled(true);
    cboContactName->setEnabled(true);
    cboMessage->setEnabled(true);
    bmbDelete->setEnabled(true);
    TdxMemData& r = *dxmReminders;
    if (r.RowCount() == 0 || r.RowNumber() == 0)
        return;
    // The date first: when the box refuses it (a past reminder once the box has an earliest
    // date), the panel keeps everything it showed, instead of half of another reminder.
    messageEntry->forget();
    const Reminder reminder = reminderAt(r, r.RowNumber());
    try {
        setDate(reminder.appointmentDate);
    } catch (...) {
        // So does the cursor: the grid marks the reminder the panel still shows.
        if (entryMode == QStringLiteral("Edit") && r.BookmarkValid(panelBookmark_))
            r.ReturnToBookmark(panelBookmark_);
        throw;
    }
    const std::string& number = reminder.contactNo;
    mskContactNo->setText(fromTableText(number));
    QString group;
    {
        TdxMemData& contacts = *context_.tables().dxContact;
        const int n = contacts.FindRowNumber(number, fields::number);
        if (n > 0)
            contacts.SetRowNumber(n);
        group = normalGroupOf(contacts.FieldNamed(fields::group).AsString());
    }
    if (group.isEmpty())
        group = QStringLiteral("all");
    const QString name = fromTableText(reminder.name);
    visibleNamePicker()->setEditText(group == QStringLiteral("all") ||
                                             visibleNamePicker() == cboContactName
                                         ? name
                                         : name + QStringLiteral(" (") + group + QLatin1Char(')'));
    setTime(reminder.appointmentTime);
    cboMessage->setEditText(fromTableText(reminder.message));
    // The reminder's own date and time in its text follow the boxes when it is rescheduled.
    messageEntry->remember(QString::fromLatin1(formatDate(dateDay())),
                           QString::fromLatin1(formatShortTime(timeMs())));
    sedDaysBefore->setValue(reminder.daysBefore);
    sedRecurringDays->setValue(reminder.recurringDays);
    cboRecurring->setEditText(fromTableText(reminder.recurring));
    panelBookmark_ = r.TakeBookmark();
    entryMode = QStringLiteral("Edit");
}
