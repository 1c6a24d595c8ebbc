#include "calendar/calendar_import_window.h"

#include "core/calendar/calendar_download.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/keep_aside.h"
#include "core/tables/mem_data.h"
#include "ui/background_work.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/key_filters.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QStringListModel>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kNoMatch = QStringLiteral("no match");

QLabel* label(const QString& text, const char* name, QWidget* parent, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

QDateEdit* dateEdit(const char* name, QWidget* parent) {
    auto* d = new TPlainDateBox(parent);
    d->setObjectName(QString::fromLatin1(name));
    return d;
}

QString contactText(const ContactChoice& c) {
    return fromTableText(c.name) + QStringLiteral(" (") + fromTableText(c.number) +
           QLatin1Char(')');
}

} // namespace

TfrmCalendarImport::TfrmCalendarImport(Context& context, QWidget* parent)
    : QDialog(parent), context_(context), dxCalendarSources_(schemas::makeCalendarSources()) {
    setObjectName(QStringLiteral("frmCalendarImport"));
    setWindowTitle(QStringLiteral("Import Appointments"));
    setModal(true);
    buildControls();
    loadSubscriptions();
}

TfrmCalendarImport::~TfrmCalendarImport() = default;

void TfrmCalendarImport::buildControls() {
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    outer->addLayout(grid);

    cboCalendarSource = new QComboBox(this);
    cboCalendarSource->setObjectName(QStringLiteral("cboCalendarSource"));
    cboCalendarSource->setEditable(true);
    cboCalendarSource->setInsertPolicy(QComboBox::NoInsert);
    cboCalendarSource->setMinimumContentsLength(50);
    cboCalendarSource->setToolTip(QStringLiteral(
        "An .ics file, or a subscription address beginning with https:// or webcal://"));
    btnCalendarSource = new QToolButton(this);
    btnCalendarSource->setObjectName(QStringLiteral("btnCalendarSource"));
    btnCalendarSource->setText(QStringLiteral("..."));
    btnCalendarSource->setToolTip(QStringLiteral("Choose a calendar file"));
    auto* source = new QHBoxLayout;
    source->addWidget(cboCalendarSource, 1);
    source->addWidget(btnCalendarSource);
    grid->addWidget(
        label(QStringLiteral("Ca&lendar:"), "lblCalendarSource", this, cboCalendarSource), 0, 0);
    grid->addLayout(source, 0, 1, 1, 6);

    dtpFrom = dateEdit("dtpFrom", this);
    dtpTo = dateEdit("dtpTo", this);
    grid->addWidget(label(QStringLiteral("&From:"), "lblFrom", this, dtpFrom), 1, 0);
    grid->addWidget(dtpFrom, 1, 1);
    grid->addWidget(label(QStringLiteral("&To:"), "lblTo", this, dtpTo), 1, 2, Qt::AlignRight);
    grid->addWidget(dtpTo, 1, 3);
    sedDaysBefore = new QSpinBox(this);
    sedDaysBefore->setObjectName(QStringLiteral("sedDaysBefore"));
    sedDaysBefore->setRange(0, 99);
    sedDaysBefore->setValue(1);
    grid->addWidget(label(QStringLiteral("Days &before:"), "lblDaysBefore", this, sedDaysBefore), 1,
                    4, Qt::AlignRight);
    grid->addWidget(sedDaysBefore, 1, 5);

    cboMessage = new QComboBox(this);
    cboMessage->setObjectName(QStringLiteral("cboMessage"));
    cboMessage->setEditable(true);
    cboMessage->setInsertPolicy(QComboBox::NoInsert);
    cboMessage->lineEdit()->setMaxLength(160);
    cboMessage->setToolTip(QStringLiteral("\"|\" becomes the appointment's date, \"~\" its time"));
    grid->addWidget(label(QStringLiteral("&Message:"), "lblMessage", this, cboMessage), 2, 0);
    grid->addWidget(cboMessage, 2, 1, 1, 6);
    // The dates and the days keep their own widths; the calendar and the message take the rest.
    grid->setColumnStretch(6, 1);

    bmbReadCalendar = new QPushButton(QStringLiteral("&Read"), this);
    bmbReadCalendar->setObjectName(QStringLiteral("bmbReadCalendar"));
    bmbReadCalendar->setAutoDefault(false);
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(bmbReadCalendar);
    lblCalendarStatus = new QLabel(this);
    lblCalendarStatus->setObjectName(QStringLiteral("lblCalendarStatus"));
    lblCalendarStatus->setWordWrap(true);
    readRow->addWidget(lblCalendarStatus, 1);
    outer->addLayout(readRow);

    dbgCalendarRows = new QTableWidget(0, ColCount, this);
    dbgCalendarRows->setObjectName(QStringLiteral("dbgCalendarRows"));
    dbgCalendarRows->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Title"),
         QStringLiteral("Contact"), QStringLiteral("State"), QStringLiteral("Reason")});
    dbgCalendarRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgCalendarRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgCalendarRows->verticalHeader()->hide();
    // Tab goes on to the buttons; the arrows move in the list and Space ticks a row.
    dbgCalendarRows->setTabKeyNavigation(false);
    dbgCalendarRows->horizontalHeader()->setStretchLastSection(true);
    dbgCalendarRows->setMinimumSize(760, 300);
    outer->addWidget(dbgCalendarRows, 1);

    bmbAddAppointments = new QPushButton(QStringLiteral("&Add"), this);
    bmbAddAppointments->setObjectName(QStringLiteral("bmbAddAppointments"));
    bmbAddAppointments->setAutoDefault(false);
    bmbClose = new QPushButton(QStringLiteral("&Close"), this);
    bmbClose->setObjectName(QStringLiteral("bmbClose"));
    bmbClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bmbAddAppointments);
    buttons->addWidget(bmbClose);
    outer->addLayout(buttons);

    connect(btnCalendarSource, &QToolButton::clicked, this, [this] { btnCalendarSourceClick(); });
    connect(bmbReadCalendar, &QPushButton::clicked, this, [this] { bmbReadCalendarClick(); });
    connect(bmbAddAppointments, &QPushButton::clicked, this, [this] { bmbAddAppointmentsClick(); });
    connect(bmbClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(dbgCalendarRows, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == ColTick && item->row() < static_cast<int>(reviews_.size()))
            reviews_[static_cast<std::size_t>(item->row())].ticked =
                item->checkState() == Qt::Checked;
    });
}

void TfrmCalendarImport::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmCalendarImport::FormShow() {
    // Tomorrow to two weeks ahead: the reminders of the coming fortnight.
    const int32_t today = context_.clock().today();
    dtpFrom->setDate(dateOfDay(today + 1));
    dtpTo->setDate(dateOfDay(today + 14));
    const QString typed = cboMessage->currentText();
    cboMessage->clear();
    TdxMemData& messages = *context_.tables().dxmMessage;
    const int field = messages.FieldIndex(fields::message);
    for (int row = 0; row < messages.RowCount(); ++row)
        cboMessage->addItem(fromTableText(messages.CellString(row, field)));
    cboMessage->setEditText(typed);
    reviews_.clear();
    matched_ = {};
    fillRows();
    lblCalendarStatus->clear();
    cboCalendarSource->setFocus();
}

void TfrmCalendarImport::btnCalendarSourceClick() {
    const QString path = context_.prompter().openFile(
        QStringLiteral("Open Calendar"), QStringLiteral("Calendar files|*.ics"),
        QString::fromStdString(context_.paths().workingFolder));
    if (!path.isEmpty())
        cboCalendarSource->setEditText(path);
}

// ---- the subscriptions kept for next time -----------------------------------------------------

void TfrmCalendarImport::loadSubscriptions() {
    const std::string path = context_.paths().settingsFile(kCalendarSourcesFile);
    if (!fileExists(path))
        return;
    try {
        readTableKeepingBadFileAside(*dxCalendarSources_, path);
    } catch (const std::exception&) {
        // A damaged list only loses the addresses offered; the file is kept aside.
    }
    const int field = dxCalendarSources_->FieldIndex(fields::address);
    for (int row = 0; row < dxCalendarSources_->RowCount(); ++row)
        cboCalendarSource->addItem(QString::fromUtf8(dxCalendarSources_->CellString(row, field)));
}

void TfrmCalendarImport::keepSubscription(const QString& address) {
    if (cboCalendarSource->findText(address) >= 0)
        return;
    cboCalendarSource->addItem(address);
    const std::string bytes = address.toStdString();
    if (bytes.find_first_of("\t\r\n") != std::string::npos)
        return; // not kept: it would break the list's lines
    dxCalendarSources_->AddRow({FieldValue{}, bytes});
    dxCalendarSources_->WriteDelimitedFile(context_.paths().settingsFile(kCalendarSourcesFile));
}

// ---- Read ----------------------------------------------------------------------------------

bool TfrmCalendarImport::checkMessage() {
    const QString message = cboMessage->currentText();
    QString problem;
    if (message.isEmpty())
        problem = QStringLiteral("Message cannot be blank");
    else if (message.contains(QLatin1Char('^')))
        problem = notAllowedMessage(QStringLiteral("^"));
    else if (const QString c = firstUncarriable(message); !c.isEmpty())
        problem = uncarriableMessage(c);
    if (problem.isEmpty())
        return true;
    context_.prompter().error(problem);
    cboMessage->setFocus();
    return false;
}

ImportSetting TfrmCalendarImport::setting() {
    ImportSetting s;
    s.reminders = context_.tables().dxmReminders.get();
    s.links = links_.get();
    s.doNotText = nullptr;
    s.source = source_;
    s.message = toTableText(cboMessage->currentText()).value_or(std::string());
    s.daysBefore = sedDaysBefore->value();
    s.fromDay = dayOfDate(dtpFrom->date());
    s.toDay = dayOfDate(dtpTo->date());
    return s;
}

std::string TfrmCalendarImport::download(const std::string& address) {
    std::string bytes;
    const std::string url = subscriptionUrl(address);
    std::atomic<bool> stop{false};
    DownloadOptions options;
    options.timeoutMs = downloadTimeoutMs;
    options.stop = &stop;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        runInBackground([&] { bytes = downloadCalendar(url, options); }, [&] { stop = true; });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    return bytes;
}

void TfrmCalendarImport::bmbReadCalendarClick() {
    const QString typed = cboCalendarSource->currentText().trimmed();
    if (typed.isEmpty()) {
        context_.prompter().error(
            QStringLiteral("Choose a calendar file, or type or paste a subscription address"));
        cboCalendarSource->setFocus();
        return;
    }
    if (dtpTo->date() < dtpFrom->date()) {
        context_.prompter().error(QStringLiteral("The range ends before it begins"));
        dtpTo->setFocus();
        return;
    }
    if (!checkMessage())
        return;
    const std::string source = typed.toStdString();
    const CalendarRange range{dayOfDate(dtpFrom->date()), dayOfDate(dtpTo->date())};
    CalendarRead read;
    try {
        // A file is read by the core itself, which looks at its size before reading it.
        const bool address = isCalendarAddress(source);
        const std::string bytes = address ? download(source) : std::string();
        runInBackground(
            [&] {
                read = address ? readCalendarText(bytes, range) : readCalendarFile(source, range);
            },
            [] {});
        if (address)
            keepSubscription(typed);
    } catch (const CalendarError& e) {
        context_.prompter().error(QString::fromStdString(e.what()));
        return;
    }
    DataModule& tables = context_.tables();
    if (tables.stored(kCalendarLinksFile))
        tables.read(*tables.dxCalendarLinks, kCalendarLinksFile);
    links_ = std::make_unique<CalendarLinks>(*tables.dxCalendarLinks);
    matcher_ = std::make_unique<ContactMatcher>(*tables.dxContact);
    dbgCalendarRows->setRowCount(0); // the pickers go before the list they show
    delete bookModel_;
    bookModel_ = nullptr;
    source_ = source;
    matched_ = matchedEntries(read, source_, *matcher_);
    review();
    QString status = QStringLiteral("%1 appointments read.").arg(reviews_.size());
    for (const std::string& problem : read.problems)
        status += QLatin1Char(' ') + QString::fromStdString(problem) + QLatin1Char('.');
    lblCalendarStatus->setText(status);
}

void TfrmCalendarImport::review() {
    ImportSetting s = setting();
    const DoNotTextSet doNotText(*context_.tables().dxDoNotText);
    s.doNotText = &doNotText;
    reviews_ = reviewAppointments(matched_.entries, s);
    fillRows();
}

// ---- the list ------------------------------------------------------------------------------

void TfrmCalendarImport::fillRows() {
    const QSignalBlocker blocker(dbgCalendarRows);
    dbgCalendarRows->clearContents();
    dbgCalendarRows->setRowCount(static_cast<int>(reviews_.size()));
    for (int row = 0; row < static_cast<int>(reviews_.size()); ++row)
        fillRow(row);
    dbgCalendarRows->resizeColumnsToContents();
}

void TfrmCalendarImport::fillRow(int row) {
    const QSignalBlocker blocker(dbgCalendarRows);
    const AppointmentReview& r = reviews_[static_cast<std::size_t>(row)];
    auto cell = [&](int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        dbgCalendarRows->setItem(row, column, item);
    };
    auto* tick = new QTableWidgetItem;
    const bool actionable = r.state == ImportState::New || r.state == ImportState::Moved ||
                            r.state == ImportState::Cancelled;
    tick->setFlags(actionable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                              : Qt::ItemIsSelectable);
    tick->setCheckState(r.ticked ? Qt::Checked : Qt::Unchecked);
    dbgCalendarRows->setItem(row, ColTick, tick);
    cell(ColDate, QString::fromStdString(formatDate(r.entry.when.day)));
    cell(ColTime, QString::fromStdString(formatShortTime(r.entry.when.ms)));
    cell(ColTitle, QString::fromUtf8(r.entry.title));
    cell(ColState, QString::fromLatin1(importStateText(r.state)));
    QString reason = QString::fromStdString(r.reason);
    if (r.state == ImportState::Moved)
        reason = QStringLiteral("Was %1 %2")
                     .arg(QString::fromStdString(formatDate(r.was.day)),
                          QString::fromStdString(formatShortTime(r.was.ms)));
    cell(ColReason, reason);

    dbgCalendarRows->removeCellWidget(row, ColContact);
    const int entry = r.entryIndex;
    const bool pickable = entry >= 0 && matched_.unmatched[static_cast<std::size_t>(entry)] &&
                          (r.state == ImportState::Skipped || r.state == ImportState::New);
    if (!pickable) {
        const bool known = !r.entry.number.empty();
        cell(ColContact, known ? contactText({r.entry.name, r.entry.number, {}}) : QString());
        return;
    }
    // "no match": the contacts it could be, else the whole book, to pick from.
    auto* picker = new QComboBox;
    picker->setObjectName(QStringLiteral("cboRowContact%1").arg(row));
    const auto& candidates = matched_.candidates[static_cast<std::size_t>(entry)];
    const auto& offered = candidates.empty() ? matcher_->contacts() : candidates;
    if (candidates.empty()) {
        // One list of the whole book for every row that needs it, however many rows do.
        if (!bookModel_) {
            QStringList items{kNoMatch};
            for (const ContactChoice& c : offered)
                items << contactText(c);
            bookModel_ = new QStringListModel(items, this);
        }
        picker->setModel(bookModel_);
    } else {
        picker->addItem(kNoMatch);
        for (const ContactChoice& c : offered)
            picker->addItem(contactText(c));
    }
    int current = 0;
    for (std::size_t i = 0; i < offered.size() && !r.entry.number.empty(); ++i)
        if (offered[i].number == r.entry.number && offered[i].name == r.entry.name)
            current = static_cast<int>(i) + 1;
    picker->setCurrentIndex(current);
    connect(picker, &QComboBox::activated, this,
            [this, row](int index) { contactPicked(row, index); });
    dbgCalendarRows->setCellWidget(row, ColContact, picker);
}

void TfrmCalendarImport::contactPicked(int row, int index) {
    if (row < 0 || row >= static_cast<int>(reviews_.size()))
        return;
    AppointmentReview& r = reviews_[static_cast<std::size_t>(row)];
    if (r.entryIndex < 0)
        return;
    const auto entryIndex = static_cast<std::size_t>(r.entryIndex);
    AppointmentEntry& entry = matched_.entries[entryIndex];
    const auto& candidates = matched_.candidates[entryIndex];
    const auto& offered = candidates.empty() ? matcher_->contacts() : candidates;
    if (index <= 0 || index > static_cast<int>(offered.size())) {
        entry.number.clear();
        entry.name.clear();
        entry.skipped = ContactMatch{candidates, false}.reason();
    } else {
        pickContact(entry, offered[static_cast<std::size_t>(index - 1)]);
    }
    ImportSetting s = setting();
    const DoNotTextSet doNotText(*context_.tables().dxDoNotText);
    s.doNotText = &doNotText;
    const int kept = r.entryIndex;
    r = reviewAppointment(entry, s, PendingAppointments(*s.reminders));
    r.entryIndex = kept;
    fillRow(row);
}

// ---- Add -------------------------------------------------------------------------------------

void TfrmCalendarImport::bmbAddAppointmentsClick() {
    if (reviews_.empty() || !links_) {
        context_.prompter().error(QStringLiteral("Read a calendar first"));
        bmbReadCalendar->setFocus();
        return;
    }
    if (!checkMessage())
        return;
    // The message and days before as they stand now, the ticks as the user left them.
    {
        std::vector<AppointmentReview> ticks = std::move(reviews_);
        review();
        for (std::size_t i = 0; i < reviews_.size() && i < ticks.size(); ++i)
            if (reviews_[i].state == ticks[i].state &&
                reviews_[i].entryIndex == ticks[i].entryIndex)
                reviews_[i].ticked = ticks[i].ticked;
    }
    int cancelled = 0;
    for (const AppointmentReview& r : reviews_)
        cancelled += r.state == ImportState::Cancelled && r.ticked;
    if (cancelled > 0 &&
        !context_.prompter().confirm(
            QStringLiteral("%1 cancelled appointment(s) still have a pending reminder. Delete "
                           "those reminders from the pending list?")
                .arg(cancelled),
            BoxButton::No)) {
        for (AppointmentReview& r : reviews_)
            if (r.state == ImportState::Cancelled)
                r.ticked = false;
    }
    ImportSetting s = setting();
    const DoNotTextSet doNotText(*context_.tables().dxDoNotText);
    s.doNotText = &doNotText;
    const ImportOutcome outcome = applyAppointments(reviews_, s);
    DataModule& tables = context_.tables();
    // The reminders first: should the links fail to be written, the next import finds the
    // reminders pending and links them again.
    tables.dxmReminders->FieldDelimiter = kRemindersDelimiter;
    tables.write(*tables.dxmReminders, kRemindersFile);
    tables.write(*tables.dxCalendarLinks, kCalendarLinksFile);
    if (outcome.added + outcome.rescheduled + outcome.removed > 0)
        emit remindersChanged();
    review();
    context_.prompter().information(
        QStringLiteral("Added: %1\nRescheduled: %2\nRemoved: %3\nSkipped: %4")
            .arg(outcome.added)
            .arg(outcome.rescheduled)
            .arg(outcome.removed)
            .arg(outcome.skipped),
        QStringLiteral("Import Appointments"));
}
