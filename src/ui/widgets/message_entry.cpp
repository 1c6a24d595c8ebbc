#include "ui/widgets/message_entry.h"

#include "core/reminders/placeholders.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/sms_meter_text.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

MessageEntry::MessageEntry(QComboBox* box, QLabel* count, Prompter& prompter,
                           std::function<int32_t()> dateDay, std::function<int32_t()> timeMs)
    : QObject(box), box_(box), count_(count), prompter_(prompter), dateDay_(std::move(dateDay)),
      timeMs_(std::move(timeMs)) {
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    box_->setCompleter(nullptr);
    box_->lineEdit()->setMaxLength(kMessageLength);
    guard_ = new TextEntryGuard(box_, prompter_);
    edit_ = box_->lineEdit();
    box_->installEventFilter(this);
    edit_->installEventFilter(this);
    // The cost follows every change of the text: typed, picked from the list or set.
    connect(box_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (meter)
            meter->setText(smsMeterText(text));
    });
}

QString MessageEntry::dateText() const {
    return QString::fromLatin1(formatDate(dateDay_()));
}

QString MessageEntry::timeText() const {
    return QString::fromLatin1(formatLongTime(timeMs_())).left(5);
}

bool MessageEntry::fillPlaceholders() {
    // Text the single-byte charset cannot carry is refused where it is typed, never filled.
    const std::optional<std::string> bytes = toTableText(box_->currentText());
    if (!bytes)
        return false;
    const FilledMessage filled = ::fillPlaceholders(*bytes, dateDay_(), timeMs_(), 1);
    if (!filled.date && !filled.time)
        return false;
    box_->setEditText(fromTableText(filled.text));
    box_->lineEdit()->setCursorPosition(static_cast<int>(box_->currentText().size()));
    if (filled.date)
        shownDate_ = dateText();
    if (filled.time)
        shownTime_ = timeText();
    return true;
}

void MessageEntry::follow(QString& shown, const QString& now) {
    if (shown.isEmpty() || shown == now)
        return;
    QString text = box_->currentText();
    const qsizetype at = text.indexOf(shown);
    if (at < 0) {
        shown.clear(); // the user has changed that text: it is theirs now
        return;
    }
    text.replace(at, shown.size(), now);
    box_->setEditText(text);
    shown = now;
}

void MessageEntry::followDate() {
    follow(shownDate_, dateText());
}

void MessageEntry::followTime() {
    follow(shownTime_, timeText());
}

void MessageEntry::remember(const QString& date, const QString& time) {
    shownDate_ = date;
    shownTime_ = time;
}

void MessageEntry::forget() {
    shownDate_.clear();
    shownTime_.clear();
}

bool MessageEntry::keyPress(const QString& key) {
    // The key that fills the placeholders is typed after them, not lost.
    fillPlaceholders();
    if (key != QStringLiteral("^"))
        return false;
    prompter_.error(notAllowedMessage(key));
    box_->setFocus();
    box_->lineEdit()->setCursorPosition(static_cast<int>(box_->currentText().size()));
    showCount();
    if (onKeyRejected)
        onKeyRejected();
    return true;
}

void MessageEntry::showCount(bool zero) {
    if (count_)
        count_->setText(QString::number(zero ? 0 : box_->currentText().size()) +
                        QStringLiteral("/160"));
}

void MessageEntry::keyUp() {
    showCount();
}

void MessageEntry::exit() {
    keyPress(QString());
    box_->update();
    showCount(true);
}

void MessageEntry::loadMessages(TdxMemData& messages) {
    box_->clear();
    TField& message = messages.FieldNamed(fields::message);
    QStringList items;
    messages.First();
    while (!messages.AtEnd()) {
        // A message holding "^" (from a file edited outside) is not offered: the separator of
        // reminders.txt must not reach it.
        if (message.AsString().find('^') == std::string::npos)
            items << fromTableText(message.AsString());
        messages.Next();
    }
    box_->addItems(items);
}

bool MessageEntry::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_ && watched != edit_)
        return QObject::eventFilter(watched, event);
    // While the box comes apart its line edit still receives events (focus, hiding); the box
    // is then no longer a combo box and nothing here may touch it.
    if (!qobject_cast<QComboBox*>(static_cast<QObject*>(box_)))
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const QString key = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (!key.isEmpty() && keyPress(key))
            return true;
        break;
    }
    case QEvent::KeyRelease:
        keyUp();
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // The drop-down list and another window taking the focus do not leave the box.
        if (watched == box_ && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason)
            exit();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
