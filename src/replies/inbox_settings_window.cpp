#include "replies/inbox_settings_window.h"

#include "core/replies/inbox_error.h"
#include "core/replies/inbox_server.h"
#include "core/replies/reply_reading.h"
#include "ui/context.h"
#include "ui/prompter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit* edit(const char* name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QString qt(const std::string& s) {
    return QString::fromStdString(s);
}
std::string text(const QLineEdit* e) {
    return e->text().trimmed().toStdString();
}

} // namespace

TfrmInboxSettings::TfrmInboxSettings(Context& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("frmInboxSettings"));
    setWindowTitle(QStringLiteral("Inbox Settings"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    dbeImapServer = edit("dbeImapServer", this);
    dbeImapServer->setPlaceholderText(QStringLiteral("imap.example.com (993: TLS; 143: STARTTLS)"));
    dbeImapUser = edit("dbeImapUser", this);
    dbeImapUser->setPlaceholderText(QStringLiteral("the sending login"));
    dbeImapFolder = edit("dbeImapFolder", this);
    dbeGatewaySenders = edit("dbeGatewaySenders", this);
    dbeGatewaySenders->setPlaceholderText(
        QStringLiteral("sms.gateway.example, replies@gateway.example"));
    cboReplyForm = new QComboBox(this);
    cboReplyForm->setObjectName(QStringLiteral("cboReplyForm"));
    for (const std::string& name : replyFormNames())
        cboReplyForm->addItem(qt(name));
    dbeReplyPattern = edit("dbeReplyPattern", this);
    dbeReplyPattern->setToolTip(QStringLiteral(
        "Matched against \"From: address\", \"Subject: subject\", an empty line and the body.\n"
        "Name the parts: (?<number>...), (?<text>...) and, for delivery reports, (?<status>...)."));
    bmbTestReplyForm = new QPushButton(QStringLiteral("&Test"), this);
    bmbTestReplyForm->setObjectName(QStringLiteral("bmbTestReplyForm"));
    auto* reading = new QHBoxLayout;
    reading->addWidget(cboReplyForm, 1);
    reading->addWidget(bmbTestReplyForm);
    dbeConfirmWords = edit("dbeConfirmWords", this);
    dbeCancelWords = edit("dbeCancelWords", this);
    dbeStopWords = edit("dbeStopWords", this);
    dbeReportWords = edit("dbeReportWords", this);
    sedCheckEvery = new QSpinBox(this);
    sedCheckEvery->setObjectName(QStringLiteral("sedCheckEvery"));
    sedCheckEvery->setRange(0, 24 * 60);
    sedCheckEvery->setSpecialValueText(QStringLiteral("only on \"Check Now\""));
    sedCheckEvery->setSuffix(QStringLiteral(" min"));
    form->addRow(QStringLiteral("&Incoming server:"), dbeImapServer);
    form->addRow(QStringLiteral("&User name:"), dbeImapUser);
    form->addRow(QStringLiteral("&Folder:"), dbeImapFolder);
    form->addRow(QStringLiteral("&Gateway senders:"), dbeGatewaySenders);
    form->addRow(QStringLiteral("&Replies read as:"), reading);
    form->addRow(QStringLiteral("E&xpression:"), dbeReplyPattern);
    form->addRow(QStringLiteral("Co&nfirmed:"), dbeConfirmWords);
    form->addRow(QStringLiteral("C&ancelled:"), dbeCancelWords);
    form->addRow(QStringLiteral("&Stop:"), dbeStopWords);
    form->addRow(QStringLiteral("Re&ports:"), dbeReportWords);
    form->addRow(QStringLiteral("Check &every:"), sedCheckEvery);
    outer->addLayout(form);
    auto* buttons = new QHBoxLayout;
    bmbOK = new QPushButton(QStringLiteral("&OK"), this);
    bmbOK->setObjectName(QStringLiteral("bmbOK"));
    bmbOK->setDefault(true);
    bmbCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bmbCancel->setObjectName(QStringLiteral("bmbCancel"));
    buttons->addStretch(1);
    buttons->addWidget(bmbOK);
    buttons->addWidget(bmbCancel);
    outer->addLayout(buttons);

    connect(cboReplyForm, &QComboBox::currentIndexChanged, this,
            &TfrmInboxSettings::cboReplyFormChange);
    connect(bmbOK, &QPushButton::clicked, this, &TfrmInboxSettings::bmbOKClick);
    connect(bmbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bmbTestReplyForm, &QPushButton::clicked, this,
            &TfrmInboxSettings::bmbTestReplyFormClick);
}

std::string TfrmInboxSettings::path() const {
    return context_.paths().settingsFile(kInboxSettingsFile);
}

void TfrmInboxSettings::load() {
    const InboxSettings s = readInboxSettings(path());
    dbeImapServer->setText(qt(s.server));
    dbeImapUser->setText(qt(s.user));
    dbeImapFolder->setText(qt(s.folder));
    dbeGatewaySenders->setText(qt(s.gatewaySenders));
    cboReplyForm->setCurrentIndex(static_cast<int>(s.form));
    dbeReplyPattern->setText(qt(s.pattern));
    dbeConfirmWords->setText(qt(s.confirmWords));
    dbeCancelWords->setText(qt(s.cancelWords));
    dbeStopWords->setText(qt(s.stopWords));
    dbeReportWords->setText(qt(s.reportWords));
    sedCheckEvery->setValue(s.checkEveryMinutes);
    cboReplyFormChange();
}

InboxSettings TfrmInboxSettings::current() const {
    InboxSettings s;
    s.server = text(dbeImapServer);
    s.user = text(dbeImapUser);
    s.folder = text(dbeImapFolder).empty() ? std::string("INBOX") : text(dbeImapFolder);
    s.gatewaySenders = text(dbeGatewaySenders);
    s.form = static_cast<ReplyForm>(std::max(0, cboReplyForm->currentIndex()));
    s.pattern = dbeReplyPattern->text().toStdString(); // blanks may belong to the expression
    s.confirmWords = text(dbeConfirmWords);
    s.cancelWords = text(dbeCancelWords);
    s.stopWords = text(dbeStopWords);
    s.reportWords = text(dbeReportWords);
    s.checkEveryMinutes = sedCheckEvery->value();
    return s;
}

void TfrmInboxSettings::cboReplyFormChange() {
    dbeReplyPattern->setEnabled(cboReplyForm->currentIndex() ==
                                static_cast<int>(ReplyForm::Pattern));
}

void TfrmInboxSettings::bmbOKClick() {
    const InboxSettings s = current();
    try {
        if (!s.server.empty())
            parseInboxServer(s.server);
        ReplyReader check(s.form, s.pattern);
    } catch (const EInboxError& e) {
        context_.prompter().error(QString::fromStdString(e.what()));
        return;
    }
    writeInboxSettings(path(), s);
    accept();
}

void TfrmInboxSettings::bmbTestReplyFormClick() {
    if (testReplyForm)
        testReplyForm(current());
}
