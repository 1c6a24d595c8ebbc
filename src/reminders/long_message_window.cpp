#include "reminders/long_message_window.h"

#include "core/reminders/placeholders.h"
#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "reminders/main_window.h"
#include "ui/context.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/message_entry.h"
#include "ui/widgets/sms_meter_text.h"
#include "ui/widgets/text_helpers.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>
#include <QVBoxLayout>

TfrmLongMessage::TfrmLongMessage(Context& context, TfrmMain& main, QWidget* parent)
    : QDialog(parent), context_(context), main_(main) {
    setObjectName(QStringLiteral("frmLongMessage"));
    setWindowTitle(QStringLiteral("Message"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    Memo1->setMinimumSize(420, 110);
    btnClose = new QPushButton(QStringLiteral("&Update"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    lblSegments = makeSmsMeterLabel(this);
    layout->addWidget(Memo1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblSegments, 1);
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);
    Memo1->installEventFilter(this);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TfrmLongMessage::textChanged);
    connect(btnClose, &QPushButton::clicked, this, &TfrmLongMessage::btnCloseClick);
}

TfrmLongMessage::~TfrmLongMessage() = default;

void TfrmLongMessage::setMessage(const QString& text) {
    restoring_ = true;
    Memo1->setPlainText(text);
    restoring_ = false;
    lastGood_ = Memo1->toPlainText();
    lblSegments->setText(smsMeterText(message()));
    Memo1->moveCursor(QTextCursor::End);
}

QString TfrmLongMessage::message() const {
    QString text = Memo1->toPlainText();
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return text;
}

bool TfrmLongMessage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true; // a line break never reaches the message
        if (typedCharacter(*key) == QStringLiteral("^")) {
            context_.prompter().error(notAllowedMessage(QStringLiteral("^")));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmLongMessage::textChanged() {
    if (restoring_)
        return;
    const QString text = Memo1->toPlainText();
    QString refusal;
    if (text.contains(QLatin1Char('^')))
        refusal = notAllowedMessage(QStringLiteral("^"));
    else if (const QString bad = firstUncarriable(text); !bad.isEmpty())
        refusal = uncarriableMessage(bad);
    if (refusal.isEmpty() && text.size() <= kMessageLength) {
        lastGood_ = text;
        lblSegments->setText(smsMeterText(message()));
        return;
    }
    // Too long, or refused: the box keeps what it held.
    restoring_ = true;
    const int caret = std::min<int>(Memo1->textCursor().position(), lastGood_.size());
    Memo1->setPlainText(lastGood_);
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(caret);
    Memo1->setTextCursor(cursor);
    restoring_ = false;
    if (!refusal.isEmpty())
        context_.prompter().error(refusal);
}

void TfrmLongMessage::btnCloseClick() {
    TfrmMain* main = &main_;
    TdxMemData& r = *main->dxmReminders;
    const int bookmark = r.TakeBookmark();
    const std::string text = tableBytes(message());
    hide();
    main->dbgReminders->clearSelection();
    if (bookmark != 0 && r.BookmarkValid(bookmark)) {
        r.ReturnToBookmark(bookmark);
        // As OK does: the customer gets the reminder's own date and time, not "|" and "~".
        auto value = [&r](const char* name) -> std::optional<int32_t> {
            const FieldValue v = r.FieldNamed(name).Value();
            if (const auto* i = std::get_if<int32_t>(&v))
                return *i;
            return std::nullopt;
        };
        Reminder reminder = reminderAt(r, r.RowNumber());
        reminder.message =
            fillPlaceholders(text, value(fields::appointment_date), value(fields::appointment_time))
                .text;
        updateReminder(r, reminder);
    }
    // The main window is active again: a fresh entry.
    main->FormActivate();
}
