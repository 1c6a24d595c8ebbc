#include "contacts/select_sending_window.h"

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "core/contacts/contact_import.h"
#include "core/reminders/reminder.h"
#include "core/reminders/reminders_for_contacts.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/message_entry.h"
#include "ui/widgets/record_grid.h"
#include "ui/widgets/sms_meter_text.h"
#include "ui/widgets/text_helpers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QSpinBox* spin(const char* name, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(0, 99);
    s->setValue(0);
    return s;
}

} // namespace

TfrmSelectSending::TfrmSelectSending(Context& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("frmSelectSending"));
    setWindowTitle(QStringLiteral("Details for Selected Contacts"));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    lblSelected = label(QString(), "lblSelected", this);
    outer->addWidget(lblSelected);
    GroupBox1 = new QGroupBox(QStringLiteral("Detail"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    grid->setHorizontalSpacing(8);

    dtpDate = new TPlainDateBox(GroupBox1);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpTime = new TTimeBox(GroupBox1);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm"));
    dtpTime->setTime(QTime(8, 0));
    sedDaysBefore = spin("sedDaysBefore", GroupBox1);
    sedRecurringDays = spin("sedRecurringDays", GroupBox1);

    cboMessage = new QComboBox(GroupBox1);
    cboMessage->setObjectName(QStringLiteral("cboMessage"));
    cboMessage->setEditable(true);
    cboMessage->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboMessage->setMinimumContentsLength(40);
    lblCount = label(QStringLiteral("0"), "lblCount", GroupBox1);
    lblCount->setMinimumWidth(lblCount->fontMetrics().horizontalAdvance(QStringLiteral("000/160")));
    btnMessage = new QToolButton(GroupBox1);
    btnMessage->setObjectName(QStringLiteral("btnMessage"));
    btnMessage->setText(QStringLiteral("..."));
    btnMessage->setToolTip(QStringLiteral("Maintain standard Messages"));
    btnMessage->setFocusPolicy(Qt::NoFocus);
    cboRecurring = new QComboBox(GroupBox1);
    cboRecurring->setObjectName(QStringLiteral("cboRecurring"));
    cboRecurring->addItems({QString(), QStringLiteral("Daily"), QStringLiteral("Weekly"),
                            QStringLiteral("Monthly"), QStringLiteral("Quarterly"),
                            QStringLiteral("Six Monthly"), QStringLiteral("Annually")});

    // Date and time; days before and second date; the message; the recurrence.
    // Each label's Alt key leads to its box.
    const auto buddy = [](QLabel* l, QWidget* box) {
        l->setBuddy(box);
        return l;
    };
    grid->addWidget(buddy(label(QStringLiteral("Da&te:"), "lblDate", GroupBox1), dtpDate), 0, 0);
    grid->addWidget(dtpDate, 0, 1);
    grid->addWidget(buddy(label(QStringLiteral("T&ime:"), "lblTime", GroupBox1), dtpTime), 0, 2,
                    Qt::AlignRight);
    grid->addWidget(dtpTime, 0, 3);
    grid->addWidget(
        buddy(label(QStringLiteral("&Days before:"), "lblBefore", GroupBox1), sedDaysBefore), 1, 0);
    auto* before = new QHBoxLayout;
    before->addWidget(sedDaysBefore);
    before->addStretch();
    grid->addLayout(before, 1, 1);
    grid->addWidget(
        buddy(label(QStringLiteral("&2nd Date"), "lbl2ndDate", GroupBox1), sedRecurringDays), 1, 2,
        Qt::AlignRight);
    grid->addWidget(sedRecurringDays, 1, 3);
    grid->addWidget(buddy(label(QStringLiteral("&Message:"), "lblMessage", GroupBox1), cboMessage),
                    2, 0);
    auto* message = new QHBoxLayout;
    message->addWidget(cboMessage, 1);
    message->addWidget(btnMessage);
    message->addWidget(lblCount);
    lblSegments = makeSmsMeterLabel(GroupBox1);
    message->addWidget(lblSegments);
    grid->addLayout(message, 2, 1, 1, 4);
    grid->addWidget(
        buddy(label(QStringLiteral("&Recurring"), "lblRecurring", GroupBox1), cboRecurring), 3, 0);
    grid->addWidget(cboRecurring, 3, 1);
    // The boxes keep their own widths; the message takes the room that is left.
    grid->setColumnStretch(4, 1);
    outer->addWidget(GroupBox1);

    bmbOK = new QPushButton(QStringLiteral("&OK"), this);
    bmbOK->setObjectName(QStringLiteral("bmbOK"));
    bmbOK->setDefault(true);
    // A way out that adds nothing (Esc does the same).
    bmbCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bmbCancel->setObjectName(QStringLiteral("bmbCancel"));
    bmbCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bmbOK);
    buttons->addWidget(bmbCancel);
    outer->addLayout(buttons);

    messageEntry = new MessageEntry(
        cboMessage, lblCount, context_.prompter(), [this] { return dateDay(); },
        [this] { return timeMs(); });
    messageEntry->meter = lblSegments;

    connect(btnMessage, &QToolButton::clicked, this, [this] { btnMessageClick(); });
    connect(bmbOK, &QPushButton::clicked, this, [this] { bmbOKClick(); });
    connect(bmbCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(dtpDate, dtpTime);
    setTabOrder(dtpTime, sedDaysBefore);
    setTabOrder(sedDaysBefore, sedRecurringDays);
    setTabOrder(sedRecurringDays, cboMessage);
    setTabOrder(cboMessage, cboRecurring);
    setTabOrder(cboRecurring, bmbOK);
    setTabOrder(bmbOK, bmbCancel);

    FormCreate();
}

TfrmSelectSending::~TfrmSelectSending() = default;

int32_t TfrmSelectSending::dateDay() const {
    return dayOfDate(dtpDate->date());
}

void TfrmSelectSending::setDateDay(int32_t day) {
    dtpDate->setDate(dateOfDay(day));
}

int32_t TfrmSelectSending::timeMs() const {
    // As the short time format shows it: seconds are dropped.
    const QTime t = dtpTime->time();
    return ::timeMs(t.hour(), t.minute());
}

void TfrmSelectSending::FormCreate() {
    loadMessageCombo();
    setDateDay(context_.clock().today());
    lblCount->setText(QStringLiteral("0"));
}

void TfrmSelectSending::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const size_t count = frmContact ? frmContact->SelectedContactKeys.size() : 0;
    lblSelected->setText(count == 1
                             ? QStringLiteral("Reminders for 1 selected contact")
                             : QStringLiteral("Reminders for %1 selected contacts").arg(count));
    // The message is chosen or typed for this selection, not taken over from the list.
    cboMessage->setCurrentIndex(-1);
    cboMessage->setEditText(QString());
    lblCount->setText(QStringLiteral("0/160"));
    dtpDate->setFocus();
}

void TfrmSelectSending::loadMessageCombo() {
    messageEntry->loadMessages(*context_.tables().dxmMessage);
}

void TfrmSelectSending::btnMessageClick() {
    context_.tables().sortIfStored(*context_.tables().dxmMessage, kMessagesFile, fields::message);
    if (frmMessage)
        frmMessage->exec();
}

bool TfrmSelectSending::cboMessageKeyPress(const QString& key) {
    return messageEntry->keyPress(key);
}

void TfrmSelectSending::cboMessageKeyUp() {
    messageEntry->keyUp();
}

void TfrmSelectSending::bmbOKClick() {
    bool created = false;
    int notFound = 0;
    int doNotTextSkipped = 0;
    // Placeholders still in the message become the date and time, however OK was reached.
    while (messageEntry->fillPlaceholders()) {
    }
    if (cboMessage->currentText().isEmpty()) {
        context_.prompter().error(QStringLiteral("Message cannot be blank"));
        cboMessage->setFocus();
    } else {
        TfrmContact* contactsWindow = frmContact;
        TdxMemData& contacts = *contactsWindow->dxContact;
        TdxMemData& reminders = *context_.tables().dxmReminders;
        Reminder reminder;
        reminder.message = tableBytes(cboMessage->currentText());
        reminder.appointmentDate = dateDay();
        reminder.appointmentTime = timeMs();
        reminder.daysBefore = sedDaysBefore->value();
        reminder.recurringDays = sedRecurringDays->value();
        reminder.recurring = tableBytes(cboRecurring->currentText());

        const int countBefore = reminders.RowCount();
        contactsWindow->dbgContact->endPendingEdit();
        contacts.First();
        // The contact of each key, as FindRowNumber finds it on contactKey.
        const FirstRowIndex byKey(contacts, fields::contactKey);
        TField& number = contacts.FieldNamed(fields::number);
        TField& name = contacts.FieldNamed(fields::contact);
        std::vector<ContactToRemind> selected;
        for (const std::string& key : contactsWindow->SelectedContactKeys) {
            const int row = byKey.find(trimBlanks(key));
            if (row < 0) {
                // No reminder goes to another contact in place of one that is gone.
                selected.push_back({{}, key, false});
                continue;
            }
            contacts.SetRowNumber(row);
            selected.push_back({name.AsString(), number.AsString()});
        }
        const RemindedContacts done =
            remindContacts(reminders, reminder, selected,
                           DoNotTextSet(*context_.tables().dxDoNotText), RemindOptions{});
        notFound = done.skippedFor(SkipReason::NotInContactBook);
        doNotTextSkipped = done.skippedFor(SkipReason::OnDoNotTextList);
        if (done.skippedFor(SkipReason::CaretInText) > 0)
            context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
        cboMessage->setEditText(QString());
        emit remindersAdded(reminders.RowCount() - countBefore);
        cboRecurring->setCurrentIndex(0);
        created = true;
    }
    setDateDay(context_.clock().today());
    closedFromSelection = true;
    if (!created)
        return;
    if (notFound > 0)
        context_.prompter().warning(
            QStringLiteral("%1 of the selected contacts could not be found in the contact book; "
                           "no reminder was made for them")
                .arg(notFound));
    if (doNotTextSkipped > 0)
        context_.prompter().information(
            QString::fromStdString(skippedDoNotTextMessage(doNotTextSkipped)));
    done(QDialog::Accepted);
    if (TfrmContact* contactsWindow = frmContact) {
        contactsWindow->dbgContact->viewport()->update();
        if (contactsWindow->isVisible())
            contactsWindow->close();
    }
}
