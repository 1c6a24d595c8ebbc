#include "dialup/time_password_window.h"

#include "ui/context.h"
#include "ui/widgets/key_filters.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTimePasswordAutoForm::TTimePasswordAutoForm(Context& context, QWidget* parent)
    : TAutoForm(QStringLiteral("TimePasswordAutoForm"), context.paths().dialupSettingsFile(),
                parent) {
    setWindowTitle(QStringLiteral("Password"));
    Label1 = new QLabel(QStringLiteral("Password"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    new TextEntryGuard(PasswordEdit, context.prompter(), QString());
    Label1->setBuddy(PasswordEdit);
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);

    auto* field = new QHBoxLayout;
    field->addWidget(Label1);
    field->addWidget(PasswordEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addStretch();
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(field);
    outer->addLayout(buttons);
    setMinimumWidth(260);

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
}

bool TTimePasswordAutoForm::Execute() {
    PasswordEdit->setFocus();
    return exec() == QDialog::Accepted;
}

void TTimePasswordAutoForm::OkButtonClick() {
    accept();
}

void TTimePasswordAutoForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    TAutoForm::keyPressEvent(event);
}
