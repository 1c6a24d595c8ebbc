#include "dialup/configure_window.h"

#include "core/dialup/dialup_settings.h"
#include "core/dialup/program_launch.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/widgets/key_filters.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A check box whose caption stands left of the box.
QCheckBox* captionLeft(QCheckBox* box) {
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

} // namespace

TConfigureAutoForm::TConfigureAutoForm(Context& context, QWidget* parent)
    : TAutoForm(QStringLiteral("ConfigureAutoForm"), context.paths().dialupSettingsFile(), parent),
      context_(context) {
    setWindowTitle(QStringLiteral("Uplinker - Configuration"));

    AutoPasswordCheckBox = captionLeft(
        named(new QCheckBox(QStringLiteral("Auto Password"), this), "AutoPasswordCheckBox"));
    AutoUserNameCheckBox = captionLeft(
        named(new QCheckBox(QStringLiteral("Auto UserName"), this), "AutoUserNameCheckBox"));
    AutoConnectCheckBox = captionLeft(named(
        new QCheckBox(QStringLiteral("Auto Connect on startup"), this), "AutoConnectCheckBox"));
    MonthlyDurationCheckBox = captionLeft(
        named(new QCheckBox(QStringLiteral("Monthly Duration"), this), "MonthlyDurationCheckBox"));

    GroupBox1 = named(new QGroupBox(QStringLiteral("Browser"), this), "GroupBox1");
    AutoExecuteBrowserCheckBox = named(new QCheckBox(QStringLiteral("Auto Execute"), GroupBox1),
                                       "AutoExecuteBrowserCheckBox");
    Label1 = named(new QLabel(QStringLiteral("Target"), GroupBox1), "Label1");
    BrowserExeEdit = named(new QLineEdit(GroupBox1), "BrowserExeEdit");
    Label2 = named(new QLabel(QStringLiteral("Directory"), GroupBox1), "Label2");
    BrowserDirEdit = named(new QLineEdit(GroupBox1), "BrowserDirEdit");
    programGroup(GroupBox1, AutoExecuteBrowserCheckBox, Label1, BrowserExeEdit, Label2,
                 BrowserDirEdit);

    GroupBox2 = named(new QGroupBox(QStringLiteral("Internet Mail Reader"), this), "GroupBox2");
    AutoExecuteMailCheckBox =
        named(new QCheckBox(QStringLiteral("Auto Execute"), GroupBox2), "AutoExecuteMailCheckBox");
    Label4 = named(new QLabel(QStringLiteral("Target"), GroupBox2), "Label4");
    MailExeEdit = named(new QLineEdit(GroupBox2), "MailExeEdit");
    Label3 = named(new QLabel(QStringLiteral("Directory"), GroupBox2), "Label3");
    MailDirEdit = named(new QLineEdit(GroupBox2), "MailDirEdit");
    programGroup(GroupBox2, AutoExecuteMailCheckBox, Label4, MailExeEdit, Label3, MailDirEdit);

    GroupBox3 = named(new QGroupBox(QStringLiteral("Internet News Reader"), this), "GroupBox3");
    AutoExecuteNewsCheckBox =
        named(new QCheckBox(QStringLiteral("Auto Execute"), GroupBox3), "AutoExecuteNewsCheckBox");
    Label6 = named(new QLabel(QStringLiteral("Target"), GroupBox3), "Label6");
    NewsExeEdit = named(new QLineEdit(GroupBox3), "NewsExeEdit");
    Label5 = named(new QLabel(QStringLiteral("Directory"), GroupBox3), "Label5");
    NewsDirEdit = named(new QLineEdit(GroupBox3), "NewsDirEdit");
    programGroup(GroupBox3, AutoExecuteNewsCheckBox, Label6, NewsExeEdit, Label5, NewsDirEdit);

    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");

    auto* flags = new QGridLayout;
    flags->addWidget(AutoPasswordCheckBox, 0, 0);
    flags->addWidget(AutoUserNameCheckBox, 0, 1);
    flags->addWidget(AutoConnectCheckBox, 1, 0);
    flags->addWidget(MonthlyDurationCheckBox, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(flags);
    outer->addWidget(GroupBox1);
    outer->addWidget(GroupBox2);
    outer->addWidget(GroupBox3);
    outer->addLayout(buttons);
    setMinimumWidth(460);

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

    BrowserExeEdit->setText(QString::fromLatin1(dialup::kDefaultBrowserExe));
    MailExeEdit->setText(QString::fromLatin1(dialup::kDefaultMailExe));
    NewsExeEdit->setText(QString::fromLatin1(dialup::kDefaultNewsExe));
}

QGroupBox* TConfigureAutoForm::programGroup(QGroupBox* group, QCheckBox* autoExecute,
                                            QLabel* targetLabel, QLineEdit* target,
                                            QLabel* dirLabel, QLineEdit* dir) {
    // The commands and folders go to the dial-up settings file: the guard keeps out what it
    // cannot hold.
    new TextEntryGuard(target, context_.prompter(), QString());
    new TextEntryGuard(dir, context_.prompter(), QString());
    targetLabel->setBuddy(target);
    dirLabel->setBuddy(dir);
    auto* grid = new QGridLayout(group);
    grid->addWidget(autoExecute, 0, 0, 1, 2);
    grid->addWidget(targetLabel, 1, 0);
    grid->addWidget(target, 1, 1);
    grid->addWidget(dirLabel, 2, 0);
    grid->addWidget(dir, 2, 1);
    return group;
}

std::array<QCheckBox*, 7> TConfigureAutoForm::checkBoxes() const {
    return {AutoPasswordCheckBox,       AutoUserNameCheckBox,    AutoConnectCheckBox,
            AutoExecuteBrowserCheckBox, AutoExecuteMailCheckBox, AutoExecuteNewsCheckBox,
            MonthlyDurationCheckBox};
}

std::array<QLineEdit*, 6> TConfigureAutoForm::edits() const {
    return {BrowserExeEdit, MailExeEdit, NewsExeEdit, BrowserDirEdit, MailDirEdit, NewsDirEdit};
}

TConfigureAutoForm::Noted TConfigureAutoForm::current() const {
    Noted noted;
    for (size_t i = 0; i < noted.checks.size(); ++i)
        noted.checks[i] = checkBoxes()[i]->isChecked();
    for (size_t i = 0; i < noted.texts.size(); ++i)
        noted.texts[i] = edits()[i]->text();
    return noted;
}

void TConfigureAutoForm::Execute() {
    const Noted noted = current();
    shown_ = noted;
    if (exec() == QDialog::Accepted)
        return;
    for (size_t i = 0; i < noted.checks.size(); ++i)
        checkBoxes()[i]->setChecked(noted.checks[i]);
    for (size_t i = 0; i < noted.texts.size(); ++i)
        edits()[i]->setText(noted.texts[i]);
}

bool TConfigureAutoForm::FormCloseQuery() {
    return context_.prompter().show({BoxKind::Confirmation,
                                     QStringLiteral("Warning"),
                                     QStringLiteral("Quit without saving ?"),
                                     {BoxButton::Yes, BoxButton::No},
                                     BoxButton::No,
                                     {},
                                     {}}) == BoxButton::Yes;
}

void TConfigureAutoForm::done(int result) {
    if (result != QDialog::Accepted && isVisible() && !(current() == shown_) && !FormCloseQuery())
        return;
    TAutoForm::done(result);
}

void TConfigureAutoForm::OkButtonClick() {
    done(QDialog::Accepted);
}

void TConfigureAutoForm::CancelButtonClick() {
    done(QDialog::Rejected);
}

void TConfigureAutoForm::LaunchCommand(const QString& command, const QString& directory) {
    // File names go to the system in its own encoding.
    const int result = launchCommand(QFile::encodeName(command).toStdString(),
                                     QFile::encodeName(directory).toStdString());
    if (result > 32)
        return;
    context_.prompter().beep();
    context_.prompter().warning(QString::fromStdString(launchFailureText(result)) +
                                    QStringLiteral("\ntrying to execute '") + command +
                                    QStringLiteral("'"),
                                QStringLiteral("Warning"));
}

void TConfigureAutoForm::RunBrowser() {
    LaunchCommand(BrowserExeEdit->text(), BrowserDirEdit->text());
}

void TConfigureAutoForm::RunMailReader() {
    LaunchCommand(MailExeEdit->text(), MailDirEdit->text());
}

void TConfigureAutoForm::RunNewsReader() {
    LaunchCommand(NewsExeEdit->text(), NewsDirEdit->text());
}

void TConfigureAutoForm::AutoRunAfterConnect() {
    if (AutoExecuteMailCheckBox->isChecked())
        RunMailReader();
    if (AutoExecuteNewsCheckBox->isChecked())
        RunNewsReader();
    if (AutoExecuteBrowserCheckBox->isChecked())
        RunBrowser();
}

bool TConfigureAutoForm::flag(Flag which) const {
    return checkBoxes()[static_cast<size_t>(which)]->isChecked();
}

void TConfigureAutoForm::setFlag(Flag which, bool on) {
    checkBoxes()[static_cast<size_t>(which)]->setChecked(on);
}

QString TConfigureAutoForm::text(Text which) const {
    return edits()[static_cast<size_t>(which)]->text().trimmed();
}

void TConfigureAutoForm::setText(Text which, const QString& value) {
    edits()[static_cast<size_t>(which)]->setText(value);
}
