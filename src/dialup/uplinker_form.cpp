#include "dialup/uplinker_form.h"

#include "core/dialup/dialup_settings.h"
#include "dialup/about_form.h"
#include "dialup/dial_progress.h"
#include "dialup/dialer_services.h"
#include "ui/application.h"
#include "ui/menu_action.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

using namespace dialup;

TUplinkerForm::TUplinkerForm(UplinkerServices services, TAboutForm* about, QWidget* parent)
    : TAutoForm(QStringLiteral("UplinkerForm"), services.iniFileName, parent), services_(services),
      about_(about), logic_(*this, services) {
    // The window goes when it closes; whoever keeps a reference keeps a guarded one.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMinMaxButtonsHint);
    // Shown without blocking, but modal to the window that opened it: it stays above that window
    // and every key typed while it is open is its own, never a stray Return on Send behind it.
    setWindowModality(Qt::WindowModal);
    buildWindow();
    buildMenu();
    setWindowTitle(QStringLiteral("Uplinker"));
}

TUplinkerForm::~TUplinkerForm() = default;

void TUplinkerForm::buildWindow() {
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Label2 = new QLabel(QStringLiteral("&Server"), this);
    EntryNameComboBox = new QComboBox(this);
    // Alt+N is the Cancel button's, so the user name takes Alt+U.
    Label3 = new QLabel(QStringLiteral("&UserName"), this);
    UserNameComboBox = new QComboBox(this);
    UserNameComboBox->setEditable(true);
    UserNameComboBox->setInsertPolicy(QComboBox::NoInsert);
    Label4 = new QLabel(QStringLiteral("Pass&word"), this);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    SavePWCheckBox = new QCheckBox(QStringLiteral("Save &Password"), this);
    SavePWCheckBox->setLayoutDirection(Qt::RightToLeft); // caption left of the box
    ConnectButton = new QPushButton(QStringLiteral("&Connect"), this);
    ConnectButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Ca&ncel"), this);
    CancelButton->setEnabled(false);
    IPButton = new QPushButton(QStringLiteral("&Query IP"), this);
    DurationLabel = new QLabel(QStringLiteral("00:00:00"), this);
    DurationLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Said once, above the list, when there is no connection manager to dial with.
    NoServiceLabel = new QLabel(this);
    NoServiceLabel->setWordWrap(true);
    NoServiceLabel->setTextFormat(Qt::PlainText);
    NoServiceLabel->hide();
    InfoListBox = new QListWidget(this);
    CheckTimer = new QTimer(this);
    CheckTimer->setInterval(5000);
    named(Label2, "Label2");
    named(EntryNameComboBox, "EntryNameComboBox");
    named(Label3, "Label3");
    named(UserNameComboBox, "UserNameComboBox");
    named(Label4, "Label4");
    named(PasswordEdit, "PasswordEdit");
    named(SavePWCheckBox, "SavePWCheckBox");
    named(ConnectButton, "ConnectButton");
    named(CancelButton, "CancelButton");
    named(IPButton, "IPButton");
    named(DurationLabel, "DurationLabel");
    named(InfoListBox, "InfoListBox");
    named(NoServiceLabel, "NoServiceLabel");
    CheckTimer->setObjectName(QStringLiteral("CheckTimer"));
    Label2->setBuddy(EntryNameComboBox);
    Label3->setBuddy(UserNameComboBox);
    Label4->setBuddy(PasswordEdit);

    auto* grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(EntryNameComboBox, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(UserNameComboBox, 1, 1);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(PasswordEdit, 2, 1);
    grid->addWidget(SavePWCheckBox, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ConnectButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(IPButton);
    buttons->addStretch();
    buttons->addWidget(DurationLabel);
    // The list box takes the whole width and everything below the controls.
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(NoServiceLabel);
    layout->addWidget(InfoListBox, 1);
    resize(420, 360);

    connect(ConnectButton, &QPushButton::clicked, this, [this] { logic_.StartConnect(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { logic_.CancelOrDisconnect(); });
    connect(IPButton, &QPushButton::clicked, this, [this] { logic_.QueryIp(); });
    connect(CheckTimer, &QTimer::timeout, this, &TUplinkerForm::CheckTimerTimer);
    connect(EntryNameComboBox, &QComboBox::currentIndexChanged, this,
            [this] { logic_.EntryChanged(); });
    connect(UserNameComboBox, &QComboBox::editTextChanged, this,
            [this] { logic_.UserNameChanged(); });
}

void TUplinkerForm::buildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout()->setMenuBar(MainMenu1);
    File1 = MainMenu1->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    MnuProperties = menuAction(File1, QStringLiteral("&Properties"), "MnuProperties");
    MnuNew = menuAction(File1, QStringLiteral("N&ew connection"), "MnuNew");
    MnuCancel = menuAction(File1, QStringLiteral("Ca&ncel"), "MnuCancel");
    MnuClearduration = menuAction(File1, QStringLiteral("C&lear duration"), "MnuClearduration");
    File1->addSeparator()->setObjectName(QStringLiteral("N1"));
    RunInternetBrowser1 =
        menuAction(File1, QStringLiteral("Run Internet &Browser"), "RunInternetBrowser1");
    RunInternetMailReader1 =
        menuAction(File1, QStringLiteral("Run Internet &Mail Reader"), "RunInternetMailReader1");
    RunInternetNewsReader1 =
        menuAction(File1, QStringLiteral("Run Internet Ne&ws Reader"), "RunInternetNewsReader1");
    File1->addSeparator()->setObjectName(QStringLiteral("N2"));
    MnuQuit = menuAction(File1, QStringLiteral("&Quit"), "MnuQuit");
    // Alt+C is the Connect button's; the menu bar's Connect takes Alt+E.
    MnuConnect = MainMenu1->addAction(QStringLiteral("Conn&ect"));
    MnuConnect->setObjectName(QStringLiteral("MnuConnect"));
    MnuOptions = MainMenu1->addMenu(QStringLiteral("&Options"));
    MnuOptions->setObjectName(QStringLiteral("MnuOptions"));
    MnuConfigure = menuAction(MnuOptions, QStringLiteral("&Configure"), "MnuConfigure");
    TimeRestrictions1 =
        menuAction(MnuOptions, QStringLiteral("&Time Restrictions"), "TimeRestrictions1");
    MnuAbout = MainMenu1->addAction(QStringLiteral("&About"));
    MnuAbout->setObjectName(QStringLiteral("MnuAbout"));

    DialupConfiguration& config = services_.configuration;
    connect(MnuProperties, &QAction::triggered, this, [this] { logic_.EditEntryProperties(); });
    connect(MnuNew, &QAction::triggered, this, [this] { logic_.CreateNewEntry(); });
    connect(MnuCancel, &QAction::triggered, this, [this] { logic_.CancelOrDisconnect(); });
    connect(MnuClearduration, &QAction::triggered, this, [this] { logic_.ClearDuration(); });
    connect(RunInternetBrowser1, &QAction::triggered, this, [&config] { config.RunBrowser(); });
    connect(RunInternetMailReader1, &QAction::triggered, this,
            [&config] { config.RunMailReader(); });
    connect(RunInternetNewsReader1, &QAction::triggered, this,
            [&config] { config.RunNewsReader(); });
    connect(MnuQuit, &QAction::triggered, this, &QWidget::close);
    connect(MnuConnect, &QAction::triggered, this, [this] { logic_.StartConnect(); });
    connect(MnuConfigure, &QAction::triggered, this, &TUplinkerForm::MnuConfigureClick);
    connect(TimeRestrictions1, &QAction::triggered, this, &TUplinkerForm::TimeRestrictions1Click);
    connect(MnuAbout, &QAction::triggered, this, &TUplinkerForm::MnuAboutClick);
}

void TUplinkerForm::CheckTimerTimer() {
    logic_.CheckConnection();
}

void TUplinkerForm::MnuConfigureClick() {
    services_.configuration.openOver(this);
    services_.configuration.Execute();
    logic_.ShowDuration();
}

void TUplinkerForm::TimeRestrictions1Click() {
    DialRestrictions& r = services_.restrictions;
    r.setRestrictionSection(RasEntrySection(settingsText(entryText())));
    r.LoadRestrictions();
    r.openOver(this);
    r.Execute();
}

void TUplinkerForm::MnuAboutClick() {
    if (about_)
        about_->exec();
}

void TUplinkerForm::FormShow() {
    // The start-up runs once. Showing the window again after a send that failed must neither
    // read the settings over what the user typed nor dial again by itself.
    if (started_) {
        if (deleteWhenAnswered_) {
            // Shown again before the service answered the question its closing waited on.
            deleteWhenAnswered_ = false;
            closed_ = false;
            setAttribute(Qt::WA_DeleteOnClose);
            logic_.windowReopened();
        }
        return;
    }
    started_ = true;
    logic_.FormShow();
}

void TUplinkerForm::closeEvent(QCloseEvent* event) {
    // Closing is always allowed; settings that cannot be written are reported.
    try {
        logic_.SaveSettings();
    } catch (...) {
        showCurrentException();
    }
    CheckTimer->stop();
    // Progress still on its way is for nobody now: the window is going.
    closed_ = true;
    if (DialerWindowHandle() == this)
        SetDialerWindowHandle(nullptr);
    logic_.windowClosed();
    if (logic_.busy()) {
        // The logic is still waiting for the service, further down this very call stack: the
        // window hides now and goes once the answer has come.
        setAttribute(Qt::WA_DeleteOnClose, false);
        deleteWhenAnswered_ = true;
    }
    event->accept();
}

bool TUplinkerForm::event(QEvent* e) {
    if (e->type() != DialEvent::type())
        return TAutoForm::event(e);
    const auto* d = static_cast<DialEvent*>(e);
    // Progress that comes while the service is still answering a question (the dial itself,
    // whose handle is not known yet) waits for the answer; later progress queues behind it.
    if (logic_.busy() || !heldBack_.empty()) {
        heldBack_.push_back({d->handle, d->state, d->error});
        if (!logic_.busy())
            serviceAnswered(); // the held-back progress is due (a send may have cut it short)
    } else {
        handleDialEvent(d->handle, d->state, d->error);
    }
    return true;
}

void TUplinkerForm::handleDialEvent(ConnectionHandle handle, uint32_t state, RasCode error) {
    if (!closed_ && logic_.DialEvent(handle, state, error))
        connectedSend();
}

void TUplinkerForm::serviceAnswered() {
    // After the call that asked has returned all the way up.
    QMetaObject::invokeMethod(this, &TUplinkerForm::afterServiceAnswered, Qt::QueuedConnection);
}

void TUplinkerForm::afterServiceAnswered() {
    logic_.runWaiting();
    while (!heldBack_.empty() && !logic_.busy()) {
        const Progress p = heldBack_.front();
        heldBack_.pop_front();
        handleDialEvent(p.handle, p.state, p.error);
    }
    if (deleteWhenAnswered_ && !logic_.busy())
        deleteLater();
}

void TUplinkerForm::connectedSend() {
    services_.configuration.AutoRunAfterConnect();
    hide();
    bool sent = false;
    try {
        sent = sendAgain && sendAgain();
    } catch (...) {
        afterFailedSend();
        throw; // to the general error display
    }
    if (!sent) {
        afterFailedSend();
        return;
    }
    close();
    if (closeSender)
        closeSender();
}

void TUplinkerForm::afterFailedSend() {
    show();
    raise();
    addInfoLine(QStringLiteral("The batch was not sent"));
    logic_.CancelOrDisconnect();
}

// ---- UplinkerView ------------------------------------------------------------------------------

QString TUplinkerForm::entryText() const {
    return EntryNameComboBox->currentText();
}

QString TUplinkerForm::userNameText() const {
    return UserNameComboBox->currentText();
}

QString TUplinkerForm::passwordText() const {
    return PasswordEdit->text();
}

bool TUplinkerForm::savePasswordChecked() const {
    return SavePWCheckBox->isChecked();
}

void TUplinkerForm::setEntries(const QStringList& names) {
    const QSignalBlocker quiet(EntryNameComboBox);
    EntryNameComboBox->clear();
    EntryNameComboBox->addItems(names);
    EntryNameComboBox->setCurrentIndex(-1);
}

void TUplinkerForm::selectEntry(int index) {
    const QSignalBlocker quiet(EntryNameComboBox);
    EntryNameComboBox->setCurrentIndex(index);
}

void TUplinkerForm::setUserNames(const QStringList& names) {
    const QSignalBlocker quiet(UserNameComboBox);
    const QString text = UserNameComboBox->currentText();
    UserNameComboBox->clear();
    UserNameComboBox->addItems(names);
    UserNameComboBox->setEditText(text);
}

void TUplinkerForm::setUserNameText(const QString& text) {
    const QSignalBlocker quiet(UserNameComboBox);
    UserNameComboBox->setEditText(text);
}

void TUplinkerForm::setPasswordText(const QString& text) {
    PasswordEdit->setText(text);
}

void TUplinkerForm::setSavePasswordChecked(bool on) {
    SavePWCheckBox->setChecked(on);
}

void TUplinkerForm::addInfoLine(const QString& text) {
    InfoListBox->addItem(text);
    InfoListBox->scrollToBottom();
    // Shown at once, while a longer operation may still be running.
    InfoListBox->viewport()->repaint();
}

void TUplinkerForm::showServiceMissing(const QString& text) {
    NoServiceLabel->setText(text);
    NoServiceLabel->show();
}

void TUplinkerForm::clearInfo() {
    InfoListBox->clear();
}

void TUplinkerForm::setDurationText(const QString& text) {
    DurationLabel->setText(text);
}

void TUplinkerForm::setCaption(const QString& text) {
    setWindowTitle(text);
}

void TUplinkerForm::setConnectEnabled(bool on) {
    ConnectButton->setEnabled(on);
}

void TUplinkerForm::setCancelEnabled(bool on) {
    CancelButton->setEnabled(on);
}

void TUplinkerForm::setCancelCaption(const QString& text) {
    CancelButton->setText(text);
}

void TUplinkerForm::setCheckTimer(bool on) {
    if (on)
        CheckTimer->start();
    else
        CheckTimer->stop();
}

void TUplinkerForm::postAutoConnect() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            addInfoLine(QStringLiteral("AutoConnect on startup"));
            logic_.StartConnect();
        },
        Qt::QueuedConnection);
}

void TUplinkerForm::setAboutProgramName(const QString& text) {
    if (about_)
        about_->ProgNameLabel->setText(text);
}
