#include "reminders/main_window.h"

#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/keep_aside.h"
#include "core/tables/suspended_views.h"
#include "core/tables/version_info.h"
#include "ui/application.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/message_entry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStringListModel>
#include <QTableView>
#include <QTimeEdit>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

namespace {

const char* const kMakerAddress = "www.tallyminder.example";

} // namespace

// ---- destruction ---------------------------------------------------------------------------

TfrmMain::~TfrmMain() {
    // No handler runs while the window comes apart (hiding the controls moves the focus).
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
        child->removeEventFilter(this);
        child->blockSignals(true);
    }
    FormDestroy();
    // The tables outlive the window: its handlers leave them.
    dxmReminders->AfterPost = nullptr;
    dxmReminders->BeforePost = nullptr;
    dxmReminders->AfterDelete = nullptr;
    for (int f = 0; f < dxmReminders->FieldCount(); ++f)
        dxmReminders->Field(f).OnChange = nullptr;
    // The views go before the tables they watch.
    delete dbgReminders;
    dbgReminders = nullptr;
    remindersModel = nullptr;
}

// ---- create, show, activate, close, destroy -----------------------------------------------

void TfrmMain::readStartFile(TdxMemData& table, const std::string& fileName) {
    try {
        context_.tables().read(table, fileName);
    } catch (...) {
        showCurrentException();
    }
}

void TfrmMain::FormCreate() {
    groupDeleteInProgress = false;
    // The version, the caption.
    setVersionText(
        "v." +
        TGpVersionInfo(context_.paths().programPath, "040904E4").FormatFileVersion("%d.%d.%d.%d"));
    setWindowTitle(QStringLiteral("Tallyminder ") + QString::fromStdString(versionText()) +
                   QStringLiteral(" - Powered by ") + QString::fromLatin1(kMakerAddress));

    // The pending list, as it was left.
    if (context_.tables().stored(kRemindersFile)) {
        dxmReminders->FieldDelimiter = kRemindersDelimiter;
        // A file that stops part-way is kept aside and named in the error box; start-up goes
        // on with the rows read so far, and with every other step.
        readStartFile(*dxmReminders, kRemindersFile);
        dxmReminders->Last();
        if (dxmReminders->RowCount() > 0) {
            try {
                const Reminder last = reminderAt(*dxmReminders, dxmReminders->RowNumber());
                setDate(last.appointmentDate);
                setTime(last.appointmentTime);
            } catch (...) {
                showCurrentException();
            }
        }
    } else {
        mskContactNo->setEnabled(false);
        cboContactName->setEnabled(false);
        cboMessage->setEnabled(false);
    }

    // width.ini holds all eight keys from the first start on.
    try {
        doWidths();
        saveWidths();
    } catch (...) {
        showCurrentException();
    }
    // A hint stays 20 seconds.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->toolTip().isEmpty())
            w->setToolTipDuration(20000);

    if (context_.tables().stored(kGroupsFile)) {
        readStartFile(*dxGroup, kGroupsFile);
        try {
            checkExists();
        } catch (...) {
            showCurrentException();
        }
    }
    try {
        loadGroupCombo();
    } catch (...) {
        showCurrentException();
    }
    created_ = true;
}

void TfrmMain::FormShow() {
    loadContactCombo();
    loadAllCombo();
}

void TfrmMain::FormActivate() {
    activatedOnce_ = true;
    loadMessageCombo();
    PrepareForNew();
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm"));
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        FormShow();
    }
}

bool TfrmMain::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        const bool result = QMainWindow::event(e);
        bool fromOwnWindow = false;
        if (previousFocusWindow_) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w != this && w->windowHandle() == previousFocusWindow_) {
                    fromOwnWindow = isProgramWindow && isProgramWindow(w);
                    break;
                }
            }
        }
        previousFocusWindow_ = nullptr;
        if (!activatedOnce_ || fromOwnWindow)
            FormActivate();
        return result;
    }
    return QMainWindow::event(e);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // The program ends here: what cannot be saved from now on is told in one box at the end.
    if (TApplication* app = TApplication::instance())
        app->gatherErrors();
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfrmMain::FormClose() {
    emit closing();
    // Each save on its own: the contact book that cannot be written keeps no other file from
    // being saved.
    for (const auto& save : std::initializer_list<std::function<void()>>{
             [this] { context_.tables().write(*context_.tables().dxContact, kContactsFile); },
             [this] { saveWidths(); }, [this] { savePlacement(); }}) {
        try {
            save();
        } catch (...) {
            showCurrentException();
        }
    }
}

void TfrmMain::saveReminders(bool deleteWhenEmpty) {
    if (deleteWhenEmpty && dxmReminders->RowCount() == 0) {
        context_.tables().remove(*dxmReminders, kRemindersFile);
        return;
    }
    dxmReminders->FieldDelimiter = kRemindersDelimiter;
    context_.tables().write(*dxmReminders, kRemindersFile);
}

void TfrmMain::FormDestroy() {
    if (destroyed_ || !created_)
        return;
    destroyed_ = true;
    try {
        saveReminders(true);
    } catch (...) {
        showCurrentException();
    }
    try {
        if (dxGroup->RowCount() == 0)
            context_.tables().remove(*dxGroup, kGroupsFile);
        else
            context_.tables().write(*dxGroup, kGroupsFile);
    } catch (...) {
        showCurrentException();
    }
}

// ---- the buttons of the frame ---------------------------------------------------------------

void TfrmMain::sortFirstColumn(QDialog* window, TdxMemData& table, const std::string& fileName,
                               const std::string& fieldName) {
    context_.tables().sortIfStored(table, fileName, fieldName);
    if (window)
        window->exec();
}

void TfrmMain::setUnreadReplies(int count) {
    bmbReplies->setText(count > 0 ? QStringLiteral("Replies (%1)").arg(count)
                                  : QStringLiteral("Replies"));
}

void TfrmMain::bmbSentItemsClick() {
    context_.tables().sortIfStored(*context_.tables().dxmSentItems, kSentItemsFile,
                                   fields::contact_no);
    emit sentItemsRequested();
    FormActivate();
}

void TfrmMain::btnContactClick() {
    TdxMemData& contacts = *context_.tables().dxContact;
    context_.tables().sortIfStored(contacts, kContactsFile, fields::contact);
    emit contactsRequested();
    if (context_.tables().stored(kContactsFile))
        context_.tables().reload(contacts, kContactsFile);
    // CONTACTS WINDOW DATA-CHANGED FLAG: clear the contacts window's data-changed flag here
    // once that window has one.
    FormActivate();
}

void TfrmMain::btnMessageClick() {
    context_.tables().sortIfStored(*context_.tables().dxmMessage, kMessagesFile, fields::message);
    emit messagesRequested();
    FormActivate();
}

void TfrmMain::ImportAppointments1Click() {
    emit calendarImportRequested();
    FormActivate();
}

QString TfrmMain::helpPagePath() const {
    const QString working = QDir(QString::fromStdString(context_.paths().workingFolder))
                                .filePath(QStringLiteral("help/index.html"));
    if (QFileInfo::exists(working))
        return working;
    const QString shipped = QDir(QString::fromStdString(context_.paths().programFolder))
                                .filePath(QStringLiteral("help/index.html"));
    if (QFileInfo::exists(shipped))
        return shipped;
    // An installed program finds its page under <prefix>/share beside its bin folder.
    const QString installed = QDir(QString::fromStdString(context_.paths().programFolder))
                                  .filePath(QStringLiteral("../share/tallyminder/help/index.html"));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html"));
    return QFileInfo::exists(beside) ? beside : working;
}

void TfrmMain::bmbSendMailClick() {
    if (dxmReminders->RowCount() != 0)
        saveReminders();
    emit sendMailRequested();
    TdxMemData& mail = *context_.tables().dmMail;
    if (mail.RowCount() > 0) {
        const FieldValue inc = mail.CellValue(0, mail.FieldIndex(fields::IncMins));
        incMins = isNull(inc) ? 0 : std::get<int32_t>(inc);
    }
    dxmReminders->First();
    FormActivate();
}

void TfrmMain::btnHelpClick() {
    openHelp(QString());
}

void TfrmMain::openHelp(const QString& section) {
    const QString page = helpPagePath();
    if (!QFileInfo::exists(page)) {
        context_.prompter().error(QStringLiteral("The help page %1 cannot be found").arg(page));
        return;
    }
    QUrl url = QUrl::fromLocalFile(page);
    if (!section.isEmpty())
        url.setFragment(section);
    if (openDocument && !openDocument(url))
        context_.prompter().error(
            QStringLiteral("No program to show the help page is set up on this computer. The help "
                           "is the file %1: open it with a web browser.")
                .arg(QDir::toNativeSeparators(page)));
}

// ---- what the other windows tell this one ---------------------------------------------------

void TfrmMain::messagesChanged() {
    loadMessageCombo();
    if (cboMessage && isVisible())
        cboMessage->setFocus();
}

void TfrmMain::reportAdded(int count) {
    showStatus(count == 1 ? QStringLiteral("1 reminder added")
                          : QStringLiteral("%1 reminders added").arg(count));
}

void TfrmMain::remindersAdded() {
    if (entryMode != QStringLiteral("Add"))
        entryMode = QStringLiteral("Add");
}

void TfrmMain::applyMailSettings() {
    TdxMemData& mail = *context_.tables().dmMail;
    showSender(fromTableText(mail.FieldNamed(fields::FromName).AsString()));
    incMins = mail.FieldNamed(fields::IncMins).AsInteger();
    dtpTime->setTime(
        QTime::fromMSecsSinceStartOfDay(mail.FieldNamed(fields::StartTime).AsInteger()));
}

std::pair<bool, bool> TfrmMain::reportWishes() const {
    return {chkStatus->isChecked(), chkDelivery->isChecked()};
}

void TfrmMain::clearReportWishes() {
    chkStatus->setChecked(false);
    chkDelivery->setChecked(false);
}

void TfrmMain::batchSent() {
    PrepareForNew();
    entryMode = QStringLiteral("Add");
    dtpTime->setTime(QTime::fromMSecsSinceStartOfDay(
        context_.tables().dmMail->FieldNamed(fields::StartTime).AsInteger()));
}

void TfrmMain::showSender(const QString& name) {
    // The first start's example is no sender: it would be printed on every list.
    const bool unset = name.trimmed().isEmpty() || name == QLatin1String(kExampleFromName);
    ClientName->setText(unset ? QStringLiteral("not set up") : name);
}

void TfrmMain::showStatus(const QString& text) {
    if (!lblSendSummary) {
        lblSendSummary = new QLabel(this);
        lblSendSummary->setObjectName(QStringLiteral("lblSendSummary"));
        statusBar()->addWidget(lblSendSummary, 1);
        // The first reminder of the next list (or any edit of one) ends the news.
        const auto clearOnChange = [this] {
            if (dxmReminders->RowCount() > 0)
                lblSendSummary->clear();
        };
        connect(remindersModel, &QAbstractItemModel::modelReset, lblSendSummary, clearOnChange);
        connect(remindersModel, &QAbstractItemModel::dataChanged, lblSendSummary, clearOnChange);
    }
    lblSendSummary->setText(text);
}

void TfrmMain::bmbSaveAndExitClick() {
    saveReminders(true);
    close();
}
