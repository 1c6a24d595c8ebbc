#include "sending/send_mail_window.h"

#include "core/reminders/send_transaction.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "sending/auth_window.h"
#include "ui/application.h"
#include "ui/context.h"
#include "ui/field_binding.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

TfrmSendMail::TfrmSendMail(Context& context, QWidget* parent)
    : QDialog(parent), dmMail(context.tables().dmMail.get()), context_(context) {
    setObjectName(QStringLiteral("frmSendMail"));
    buildWindow();
}

TfrmSendMail::~TfrmSendMail() {
    try {
        FormDestroy();
    } catch (...) {
        // The program is ending; say why the settings could not be kept, with the other saves
        // that failed.
        showCurrentException();
    }
    bindings_.clear();
}

QLineEdit* TfrmSendMail::addBound(QLayout* layout, QLabel*& label, const char* labelName,
                                  const QString& caption, QLineEdit*& edit, const char* editName,
                                  const char* field) {
    auto* form = static_cast<QFormLayout*>(layout);
    label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(labelName));
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(editName));
    label->setBuddy(edit);
    form->addRow(label, edit);
    bindings_.push_back(std::make_unique<FieldBinding>(edit, *dmMail, field, context_.prompter()));
    return edit;
}

void TfrmSendMail::buildWindow() {
    setWindowTitle(QStringLiteral("Send SMS"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    auto* outer = new QVBoxLayout(this);

    gpbFrom = new QGroupBox(QStringLiteral("Your Personal Details:"), this);
    gpbFrom->setObjectName(QStringLiteral("gpbFrom"));
    auto* from = new QFormLayout(gpbFrom);
    from->setRowWrapPolicy(QFormLayout::WrapAllRows);
    addBound(from, lblFromName, "lblFromName", QStringLiteral("Your &Name (e.g. Pat Sample):"),
             dbeFromName, "dbeFromName", fields::FromName);
    addBound(from, lblFromAddress, "lblFromAddress", QStringLiteral("Your E-&mail Address:"),
             dbeFromAddress, "dbeFromAddress", fields::FromAddress);
    addBound(from, Label3, "Label3", QStringLiteral("Your Mail Se&rver"), dbeMailServer,
             "dbeMailServer", fields::MailServer);
    // A first start's examples show in grey in empty boxes.
    bindings_[0]->setExample(QString::fromLatin1(kDefaultFromName));
    bindings_[1]->setExample(QString::fromLatin1(kDefaultFromAddress));
    bindings_[2]->setExample(QString::fromLatin1(kDefaultMailServer));
    dbeMailServer->setToolTip(
        QStringLiteral("The mail server's name, with its port after a colon when it is not 25: "
                       "mail.example.com:587 (STARTTLS), mail.example.com:465 (TLS), "
                       "[2001:db8::1]:587 for an IPv6 address"));
    chkAuth = new QCheckBox(QStringLiteral("Server requires &authentication"), gpbFrom);
    chkAuth->setObjectName(QStringLiteral("chkAuth"));
    from->addRow(chkAuth);
    outer->addWidget(gpbFrom);

    GroupBox1 = new QGroupBox(QStringLiteral("Appointment Settings"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* appt = new QFormLayout(GroupBox1);
    addBound(appt, Label1, "Label1", QStringLiteral("Start &Time"), DBEStartTime, "DBEStartTime",
             fields::StartTime);
    addBound(appt, Label2, "Label2", QStringLiteral("&Incremental Mins"), DBEIncMins, "DBEIncMins",
             fields::IncMins);
    outer->addWidget(GroupBox1);

    // Kept for the stored settings; never shown (the batch always goes to the gateway).
    gpbTo = new QGroupBox(QStringLiteral("To:"), this);
    gpbTo->setObjectName(QStringLiteral("gpbTo"));
    auto* to = new QFormLayout(gpbTo);
    addBound(to, lblToAddress, "lblToAddress", QStringLiteral("Address:"), dbeToAddress,
             "dbeToAddress", fields::ToAddress);
    addBound(to, lblToBlindCarbonCopy, "lblToBlindCarbonCopy", QStringLiteral("Bcc:"),
             dbeToBlindCarbonCopy, "dbeToBlindCarbonCopy", fields::ToBlindCarbonCopy);
    addBound(to, lblReplyTo, "lblReplyTo", QStringLiteral("Reply To:"), dbeReply, "dbeReply",
             fields::ReplyTo);
    gpbTo->setVisible(false);
    outer->addWidget(gpbTo);

    auto* buttons = new QHBoxLayout;
    bmbSend = new QPushButton(QStringLiteral("&Send"), this);
    bmbSend->setObjectName(QStringLiteral("bmbSend"));
    bmbSend->setToolTip(QStringLiteral("Send SMS"));
    bmbSend->setDefault(true);
    bmbSend->setAutoDefault(true);
    bmbCancel = new QPushButton(QStringLiteral("&Close"), this);
    bmbCancel->setObjectName(QStringLiteral("bmbCancel"));
    bmbCancel->setAutoDefault(false);
    buttons->addWidget(bmbSend);
    buttons->addWidget(bmbCancel);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(300);

    setTabOrder(dbeFromName, dbeFromAddress);
    setTabOrder(dbeFromAddress, dbeMailServer);
    setTabOrder(dbeMailServer, chkAuth);
    setTabOrder(chkAuth, DBEStartTime);
    setTabOrder(DBEStartTime, DBEIncMins);
    setTabOrder(DBEIncMins, bmbSend);
    setTabOrder(bmbSend, bmbCancel);

    dbeFromName->installEventFilter(this);
    connect(bmbSend, &QPushButton::clicked, this, [this] { bmbSendClick(); });
    connect(bmbCancel, &QPushButton::clicked, this, [this] { bmbCancelClick(); });
    connect(chkAuth, &QCheckBox::toggled, this, [this] { chkAuthClick(); });
}

void TfrmSendMail::loadSettings() {
    if (context_.tables().stored(kMailFile)) {
        try {
            context_.tables().read(*dmMail, kMailFile);
            if (dmMail->RowCount() > 0)
                return;
        } catch (const EUnreadableFile& e) {
            // The bytes are kept beside the file; the defaults take its place.
            context_.prompter().error(QString::fromStdString(e.what()));
        }
    }
    // First start (or nothing usable): the defaults, written and read back so that the
    // record in memory is what the file gives back.
    dmMail->Close();
    dmMail->Open();
    std::vector<FieldValue> row(static_cast<size_t>(dmMail->FieldCount()));
    auto set = [&](const char* name, FieldValue v) {
        row[static_cast<size_t>(dmMail->FieldIndex(name))] = std::move(v);
    };
    set(fields::FromAddress, std::string(kDefaultFromAddress));
    set(fields::FromName, std::string(kDefaultFromName));
    set(fields::MailServer, std::string(kDefaultMailServer));
    set(fields::StartTime, int32_t{0});
    set(fields::IncMins, int32_t{0});
    dmMail->AddRow(row);
    // A folder that cannot be written keeps the defaults in memory (its start-up box said so).
    try {
        context_.tables().write(*dmMail, kMailFile);
        context_.tables().reload(*dmMail, kMailFile);
    } catch (const EFileError& e) {
        if (context_.dataFolderProblem().empty())
            context_.prompter().error(QString::fromStdString(e.what()));
    }
}

void TfrmSendMail::FormCreate() {
    loadSettings();
    dmMail->First();
    emit settingsLoaded();
    saveSettings();
}

void TfrmSendMail::commitEdits() {
    for (auto& b : bindings_)
        b->commit();
}

void TfrmSendMail::FormDestroy() {
    saveSettings();
}

void TfrmSendMail::saveSettings() {
    commitEdits();
    // Rewritten only when its bytes change; a failed write is said unless the start-up box
    // already said the folder cannot be written.
    try {
        context_.tables().write(*dmMail, kMailFile);
    } catch (const EFileError& e) {
        if (context_.dataFolderProblem().empty())
            context_.prompter().error(QString::fromStdString(e.what()));
    }
}

void TfrmSendMail::done(int result) {
    // The settings just typed reach the file when the window closes, not only when the program
    // ends: a crash in between does not lose them.
    saveSettings();
    QDialog::done(result);
}

void TfrmSendMail::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TfrmSendMail::FormActivate() {
    // The focus passes through the three fields and ends in the name field.
    dbeFromName->setFocus();
    dbeFromAddress->setFocus();
    dbeMailServer->setFocus();
    dbeFromName->setFocus();
}

bool TfrmSendMail::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbeFromName && event->type() == QEvent::KeyPress)
        dbeFromNameKeyDown();
    return QDialog::eventFilter(watched, event);
}

void TfrmSendMail::dbeFromNameKeyDown() {
    // Reply-To follows the address as it stands when the name is typed in.
    if (dbeReply->text() == dbeFromAddress->text())
        return;
    dbeReply->setText(dbeFromAddress->text());
    emit dbeReply->textEdited(dbeReply->text());
}

void TfrmSendMail::bmbCancelClick() {
    reject();
}

void TfrmSendMail::reject() {
    emit senderNameChanged(dbeFromName->text());
    QDialog::reject();
}

void TfrmSendMail::chkAuthClick() {
    if (chkAuth->isChecked()) {
        smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
        if (frmAuth)
            frmAuth->showAuth();
    } else {
        smtp.AuthenticationType = TIdSMTPAuthenticationType::atNone;
    }
}

void TfrmSendMail::restoreCursor() {
    unsetCursor();
}
