#include "replies/replies_window.h"

#include "core/replies/inbox_error.h"
#include "core/replies/reply_check.h"
#include "core/replies/reply_notice.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/errors.h"
#include "core/tables/table_file_guard.h"
#include "replies/desktop_notifier.h"
#include "replies/inbox_password_window.h"
#include "replies/inbox_settings_window.h"
#include "ui/background_work.h"
#include "ui/context.h"
#include "ui/password_keeper.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The filter's entries and the kind each shows ("" for every row).
const struct {
    const char* entry;
    const char* kind;
} kFilters[] = {{"All", ""},      {"Confirmed", "Confirmed"}, {"Cancelled", "Cancelled"},
                {"Stop", "Stop"}, {"Other", "Other"},         {"Reports", "Report"}};

QString plural(int n, const char* one, const char* many) {
    return n == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                  : QStringLiteral("%1 %2").arg(n).arg(QLatin1String(many));
}

} // namespace

TfrmReplies::TfrmReplies(Context& context, QWidget* parent)
    : QDialog(parent), dxmReplies(context.tables().dxmReplies.get()), context_(context) {
    setObjectName(QStringLiteral("frmReplies"));
    setWindowTitle(QStringLiteral("Replies"));
    setModal(true);
    resize(820, 440);

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* kindLabel = new QLabel(QStringLiteral("&Show:"), this);
    cboReplyKind = new QComboBox(this);
    cboReplyKind->setObjectName(QStringLiteral("cboReplyKind"));
    for (const auto& f : kFilters)
        cboReplyKind->addItem(QString::fromLatin1(f.entry));
    kindLabel->setBuddy(cboReplyKind);
    lblCheckResult = new QLabel(this);
    lblCheckResult->setObjectName(QStringLiteral("lblCheckResult"));
    bmbCheckReplies = new QPushButton(QStringLiteral("Check &Now"), this);
    bmbCheckReplies->setObjectName(QStringLiteral("bmbCheckReplies"));
    bmbInboxSettings = new QPushButton(QStringLiteral("S&ettings..."), this);
    bmbInboxSettings->setObjectName(QStringLiteral("bmbInboxSettings"));
    top->addWidget(kindLabel);
    top->addWidget(cboReplyKind);
    top->addWidget(lblCheckResult, 1);
    top->addWidget(bmbCheckReplies);
    top->addWidget(bmbInboxSettings);
    outer->addLayout(top);

    dbgReplies = new RecordGrid(*dxmReplies, this);
    dbgReplies->setObjectName(QStringLiteral("dbgReplies"));
    dbgReplies->recordModel()->setToolTipField(dxmReplies->FieldIndex(fields::text));
    // The list is only read: Tab goes on to Close, the arrows move in it.
    dbgReplies->setTabKeyNavigation(false);
    outer->addWidget(dbgReplies, 1);

    auto* bottom = new QHBoxLayout;
    bmbClose = new QPushButton(QStringLiteral("&Close"), this);
    bmbClose->setObjectName(QStringLiteral("bmbClose"));
    bottom->addStretch(1);
    bottom->addWidget(bmbClose);
    outer->addLayout(bottom);

    frmInboxSettings = new TfrmInboxSettings(context, this);
    frmInboxSettings->testReplyForm = [this](const InboxSettings& s) { testReplyForm(s); };
    tmrCheck = new QTimer(this);
    tmrCheck->setObjectName(QStringLiteral("tmrCheck"));
    connect(tmrCheck, &QTimer::timeout, this, [this] { checkNow(true); });
    notifier_ = std::make_unique<DesktopNotifier>();

    askPassword = [this](const QString& account) -> std::optional<std::pair<QString, bool>> {
        TfrmInboxPassword ask(this);
        ask.lblAccount->setText(account);
        if (ask.exec() != QDialog::Accepted)
            return std::nullopt;
        return std::make_pair(ask.edtPassword->text(), ask.chkRemember->isChecked());
    };

    connect(cboReplyKind, &QComboBox::currentIndexChanged, this, &TfrmReplies::cboReplyKindChange);
    connect(bmbCheckReplies, &QPushButton::clicked, this, &TfrmReplies::bmbCheckRepliesClick);
    connect(bmbInboxSettings, &QPushButton::clicked, this, &TfrmReplies::bmbInboxSettingsClick);
    connect(bmbClose, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

TfrmReplies::~TfrmReplies() {
    stop_ = true;
}

void TfrmReplies::FormCreate() {
    if (context_.tables().stored(kRepliesFile))
        context_.tables().read(*dxmReplies, kRepliesFile);
    applyCheckInterval();
}

void TfrmReplies::cboReplyKindChange() {
    const int index = cboReplyKind->currentIndex();
    const std::string kind = index > 0 ? kFilters[index].kind : "";
    TableModel* model = dbgReplies->recordModel();
    if (kind.empty()) {
        model->setRowFilter({});
        return;
    }
    const int field = dxmReplies->FieldIndex(fields::kind);
    model->setRowFilter(
        [this, field, kind](int row) { return dxmReplies->CellString(row, field) == kind; });
}

int TfrmReplies::unreadCount() const {
    return unreadAttentionCount(*dxmReplies);
}

void TfrmReplies::applyCheckInterval() {
    const int minutes =
        readInboxSettings(context_.paths().settingsFile(kInboxSettingsFile)).checkEveryMinutes;
    if (minutes > 0)
        tmrCheck->start(minutes * 60 * 1000);
    else
        tmrCheck->stop();
}

QString TfrmReplies::accountOf(const InboxSettings& s) const {
    std::string user = s.user;
    if (user.empty()) {
        TdxMemData& mail = *context_.tables().dmMail;
        if (mail.RowCount() > 0)
            user = mail.FieldNamed(fields::UserName).AsString();
    }
    return QStringLiteral("imap:%1@%2")
        .arg(QString::fromStdString(user), QString::fromStdString(s.server));
}

std::optional<InboxLogin> TfrmReplies::loginFor(const InboxSettings& s, bool mayAsk) {
    InboxLogin login;
    login.server = parseInboxServer(s.server);
    const QString account = accountOf(s);
    login.user = account.mid(5, account.lastIndexOf(QLatin1Char('@')) - 5).toStdString();
    login.timeouts = timeouts;
    login.trustFile = trustFile;
    login.stop = &stop_;
    if (std::optional<QString> kept = passwords ? passwords->find(account) : std::nullopt) {
        login.password = kept->toStdString();
        return login;
    }
    if (!mayAsk)
        return std::nullopt;
    const auto answer = askPassword(account);
    if (!answer)
        return std::nullopt;
    login.password = answer->first.toStdString();
    if (answer->second && passwords)
        passwords->keep(account, answer->first);
    return login;
}

void TfrmReplies::forgetRefusedPassword(const InboxSettings& s, const std::string& error) {
    // A kept password the server refuses is asked for again next time.
    if (passwords && error.find("refused the user name or the password") != std::string::npos)
        passwords->forget(accountOf(s));
}

void TfrmReplies::bmbCheckRepliesClick() {
    checkNow(false);
}

void TfrmReplies::checkNow(bool quiet) {
    if (checking_)
        return;
    // A check adds rows: a copy that may not change them (read-only) says so before it reads
    // the mailbox, and its timed check stays silent.
    try {
        RequireTableChangeable(*dxmReplies);
    } catch (const EDatabaseError& e) {
        if (!quiet)
            context_.prompter().error(QString::fromStdString(e.what()));
        return;
    }
    const std::string settingsPath = context_.paths().settingsFile(kInboxSettingsFile);
    const InboxSettings settings = readInboxSettings(settingsPath);
    const std::string problem = inboxSettingsProblem(settings);
    if (!problem.empty()) {
        if (!quiet)
            context_.prompter().error(QString::fromStdString(problem));
        return;
    }
    checking_ = true;
    bmbCheckReplies->setEnabled(false);
    struct Done {
        TfrmReplies* w;
        ~Done() {
            w->checking_ = false;
            w->bmbCheckReplies->setEnabled(true);
        }
    } done{this};
    std::optional<FetchedReplies> fetched;
    std::string mailbox;
    try {
        const std::optional<InboxLogin> login = loginFor(settings, !quiet);
        if (!login)
            return;
        // The state says how far replies.txt holds this mailbox: with the file gone (removed,
        // kept aside as unreadable, a data folder of its own) the mailbox is read from its
        // start, and the Message-ID keeps each reply once.
        mailbox = mailboxName(login->user, login->server.display(), settings.folder);
        const InboxState previous = context_.tables().stored(kRepliesFile)
                                        ? readInboxState(settingsPath, mailbox)
                                        : InboxState{};
        const double now = context_.clock().now();
        lblCheckResult->setText(QStringLiteral("Checking..."));
        runInBackground([&] { fetched = fetchReplies(settings, *login, previous, now); },
                        [this] { stop_ = true; });
    } catch (const EInboxError& e) {
        forgetRefusedPassword(settings, e.what());
        lblCheckResult->setText(QStringLiteral("Not checked"));
        if (!quiet)
            context_.prompter().error(QString::fromStdString(e.what()));
        return;
    }
    DataModule& tables = context_.tables();
    // Another desk may have read the same replies or listed the same stops meanwhile: what the
    // folder holds now is what the new replies are compared with.
    CatchUpWithTableFile(*dxmReplies, tables.file(kRepliesFile));
    CatchUpWithTableFile(*tables.dxDoNotText, tables.file(kDoNotTextFile));
    const AppliedReplies applied = applyReplies(fetched->replies, *dxmReplies, *tables.dxmSentItems,
                                                *tables.dxDoNotText, context_.clock().today());
    storeReplies();
    if (applied.stops > 0)
        tables.write(*tables.dxDoNotText, kDoNotTextFile);
    // Last, so that a check whose tables could not be written reads the same e-mails again.
    writeInboxState(settingsPath, mailbox, fetched->state);
    lblCheckResult->setText(applied.added == 0 ? QStringLiteral("Nothing new")
                                               : plural(applied.added, "new reply", "new replies"));
    emit unreadCountChanged(unreadCount());
    // A cancellation or a stop is seen even with the program behind other windows.
    if (const std::optional<ReplyNotice> notice = noticeOf(applied.notable))
        notifier_->notify(fromTableText(notice->summary), fromTableText(notice->body));
}

void TfrmReplies::storeReplies() {
    context_.tables().write(*dxmReplies, kRepliesFile);
}

void TfrmReplies::testReplyForm(const InboxSettings& settings) {
    const std::string problem = inboxSettingsProblem(settings);
    if (!problem.empty()) {
        context_.prompter().error(QString::fromStdString(problem));
        return;
    }
    std::optional<ReplyPreview> preview;
    try {
        const std::optional<InboxLogin> login = loginFor(settings, true);
        if (!login)
            return;
        runInBackground([&] { preview = previewNewestReply(settings, *login); },
                        [this] { stop_ = true; });
    } catch (const EInboxError& e) {
        forgetRefusedPassword(settings, e.what());
        context_.prompter().error(QString::fromStdString(e.what()));
        return;
    }
    if (!preview) {
        context_.prompter().information(
            QStringLiteral("There is no e-mail from the gateway's senders in %1.")
                .arg(QString::fromStdString(settings.folder)),
            QStringLiteral("Test"));
        return;
    }
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    context_.prompter().information(
        QStringLiteral("The newest e-mail of the gateway reads as:\n\nFrom: %1\nSubject: %2\n\n"
                       "Number: %3\nText: %4\nKind: %5")
            .arg(q(preview->from), q(preview->subject),
                 preview->number.empty() ? QStringLiteral("(none found)") : q(preview->number),
                 q(preview->text), q(replyKindText(preview->kind))),
        QStringLiteral("Test"));
}

void TfrmReplies::bmbInboxSettingsClick() {
    frmInboxSettings->load();
    if (frmInboxSettings->exec() == QDialog::Accepted)
        applyCheckInterval();
}

void TfrmReplies::done(int result) {
    // What the window showed has been seen; a read-only copy marks nothing, and still closes.
    const int read = dxmReplies->FieldIndex(fields::read_flag);
    const bool mayMark = TableChangeable(*dxmReplies);
    bool changed = false;
    for (int row = 0; mayMark && row < dxmReplies->RowCount() && !changed; ++row)
        changed = dxmReplies->CellValue(row, read) != FieldValue{true};
    if (changed) {
        dxmReplies->FillColumns({{read, true}});
        storeReplies();
        emit unreadCountChanged(unreadCount());
    }
    QDialog::done(result);
}
