#include "dialup/time_restrictions_window.h"

#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/ini_file.h"
#include "dialup/time_password_window.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/text_helpers.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* namedEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QLabel* namedLabel(QWidget* parent, const QString& text, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TTimeAutoForm::TTimeAutoForm(Context& context, QWidget* parent)
    : TAutoForm(QStringLiteral("TimeAutoForm"), context.paths().dialupSettingsFile(), parent),
      context_(context) {
    setWindowTitle(QStringLiteral("Uplinker - Time Restrictions"));

    Label8 = namedLabel(this, QStringLiteral("From"), QStringLiteral("Label8"));
    Label9 = namedLabel(this, QStringLiteral("To"), QStringLiteral("Label9"));
    auto* grid = new QGridLayout;
    grid->addWidget(Label8, 0, 1);
    grid->addWidget(Label9, 0, 2);
    // The rows as the window shows them, Monday first; the program's own captions.
    const std::array<const char*, 7> captions{"Monday", "Tuesday",  "Wenesday", "Thursday",
                                              "Friday", "Saterday", "Sunday"};
    const std::array<const char*, 7> prefixes{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const std::array<QLineEdit**, 14> edits{&MonFromEdit, &MonToEdit, &TueFromEdit, &TueToEdit,
                                            &WedFromEdit, &WedToEdit, &ThuFromEdit, &ThuToEdit,
                                            &FriFromEdit, &FriToEdit, &SatFromEdit, &SatToEdit,
                                            &SunFromEdit, &SunToEdit};
    for (int row = 0; row < 7; ++row) {
        RowLabels[row] = namedLabel(this, QString::fromLatin1(captions[row]),
                                    QStringLiteral("Label%1").arg(row + 1));
        QLineEdit*& fromEdit = *edits[2 * row];
        QLineEdit*& toEdit = *edits[2 * row + 1];
        fromEdit = namedEdit(this, QString::fromLatin1(prefixes[row]) + QStringLiteral("FromEdit"));
        toEdit = namedEdit(this, QString::fromLatin1(prefixes[row]) + QStringLiteral("ToEdit"));
        RowLabels[row]->setBuddy(fromEdit);
        grid->addWidget(RowLabels[row], row + 1, 0);
        grid->addWidget(fromEdit, row + 1, 1);
        grid->addWidget(toEdit, row + 1, 2);
    }
    Label10 = namedLabel(this, QStringLiteral("Passwrod"), QStringLiteral("Label10"));
    PasswordEdit = namedEdit(this, QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    Label10->setBuddy(PasswordEdit);
    grid->addWidget(Label10, 8, 0);
    grid->addWidget(PasswordEdit, 8, 1, 1, 2);

    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    FormCreate();
}

void TTimeAutoForm::FormCreate() {
    // By day index: 1 is Sunday, 2 Monday, ... 7 Saturday.
    fromEdits_ = {SunFromEdit, MonFromEdit, TueFromEdit, WedFromEdit,
                  ThuFromEdit, FriFromEdit, SatFromEdit};
    toEdits_ = {SunToEdit, MonToEdit, TueToEdit, WedToEdit, ThuToEdit, FriToEdit, SatToEdit};
    for (int day = 1; day <= kRestrictionDays; ++day) {
        for (QLineEdit* edit : {FromEdit(day), ToEdit(day)}) {
            // The texts go to the dial-up settings file: the guard keeps out what it cannot hold.
            new TextEntryGuard(edit, context_.prompter(), QString());
            edit->installEventFilter(this);
        }
    }
    new TextEntryGuard(PasswordEdit, context_.prompter(), QString());
}

RestrictionTexts TTimeAutoForm::shownTexts() const {
    RestrictionTexts texts;
    for (int day = 1; day <= kRestrictionDays; ++day) {
        texts.from[day - 1] = tableBytes(FromEdit(day)->text());
        texts.to[day - 1] = tableBytes(ToEdit(day)->text());
    }
    texts.password = tableBytes(PasswordEdit->text());
    return texts;
}

void TTimeAutoForm::showTexts(const RestrictionTexts& texts) {
    for (int day = 1; day <= kRestrictionDays; ++day) {
        FromEdit(day)->setText(fromTableText(texts.from[day - 1]));
        ToEdit(day)->setText(fromTableText(texts.to[day - 1]));
    }
    PasswordEdit->setText(fromTableText(texts.password));
}

void TTimeAutoForm::LoadRestrictions() {
    const IniDocument doc = TIniFile(IniFileName()).Load();
    showTexts(readRestrictions(doc, RestrictionSection));
    ParseRestrictions();
}

void TTimeAutoForm::ParseRestrictions() {
    for (int day = 1; day <= kRestrictionDays; ++day) {
        from_[day - 1] = restrictionTime(FromEdit(day)->text().toStdString());
        to_[day - 1] = restrictionTime(ToEdit(day)->text().toStdString());
    }
}

void TTimeAutoForm::SaveRestrictions() {
    const RestrictionTexts texts = shownTexts();
    TIniFile(IniFileName()).Update([&](IniDocument& doc) {
        writeRestrictions(doc, RestrictionSection, texts);
    });
}

bool TTimeAutoForm::IsDialAllowed() {
    LoadRestrictions();
    // One reading of the clock for both the weekday and the time of day.
    const double now = context_.clock().now();
    const int day = dayOfWeek(datePart(now));
    if (!isInsidePeriod({From(day), To(day)}, timePart(now)))
        return true;
    TTimePasswordAutoForm& prompt = *TimePasswordAutoForm;
    return prompt.Execute() && prompt.PasswordEdit->text() == PasswordEdit->text();
}

bool TTimeAutoForm::Execute() {
    std::array<QString, 14> noted;
    for (int day = 1; day <= kRestrictionDays; ++day) {
        noted[2 * (day - 1)] = FromEdit(day)->text();
        noted[2 * (day - 1) + 1] = ToEdit(day)->text();
    }
    if (exec() == QDialog::Accepted) {
        try {
            ParseRestrictions();
            SaveRestrictions();
            return true;
        } catch (const std::exception& e) {
            // Pressing OK must not look like a save when nothing was saved.
            context_.prompter().error(QString::fromStdString(e.what()));
        }
    }
    for (int day = 1; day <= kRestrictionDays; ++day) {
        FromEdit(day)->setText(noted[2 * (day - 1)]);
        ToEdit(day)->setText(noted[2 * (day - 1) + 1]);
    }
    ParseRestrictions();
    return false;
}

void TTimeAutoForm::MonFromEditExit(QLineEdit* edit) {
    if (isAcceptableRestrictionTime(edit->text().toStdString()))
        return;
    context_.prompter().beep();
    context_.prompter().warning(QStringLiteral("Invalid time"), QStringLiteral("Warning"));
}

bool TTimeAutoForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the edit for another control of this window; not the window losing the focus
        // to a box or another window (which would come back here and ask again).
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            MonFromEditExit(static_cast<QLineEdit*>(watched));
    }
    return TAutoForm::eventFilter(watched, event);
}

void TTimeAutoForm::OkButtonClick() {
    accept();
}

void TTimeAutoForm::CancelButtonClick() {
    reject();
}
