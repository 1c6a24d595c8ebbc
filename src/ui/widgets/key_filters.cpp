#include "ui/widgets/key_filters.h"

#include "ui/prompter.h"
#include "ui/qt_charset.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

QString typedCharacter(const QKeyEvent& e) {
    if (e.key() == Qt::Key_Backspace)
        return QStringLiteral("\b");
    if (e.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return {};
    const QString text = e.text();
    if (text.isEmpty())
        return {};
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return {};
    return text;
}

bool isNumberCharacter(const QString& key) {
    if (key == QStringLiteral("\b") || key == QStringLiteral(" "))
        return true;
    return key.size() == 1 && key[0] >= QLatin1Char('0') && key[0] <= QLatin1Char('9');
}

bool checkForNumber(const QString& key, QWidget* control, Prompter& prompter) {
    if (key.isEmpty() || isNumberCharacter(key))
        return true;
    prompter.error(kNumericOnlyMessage);
    if (control)
        control->setFocus();
    return false;
}

QLineEdit* entryLineEdit(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(box))
        return combo->lineEdit();
    return nullptr;
}

QString notAllowedMessage(const QString& character) {
    return QStringLiteral("The %1 character is not allowed").arg(character);
}

// ---- NumberKeyFilter ------------------------------------------------------------------------

NumberKeyFilter::NumberKeyFilter(QWidget* box, Prompter& prompter)
    : QObject(box), box_(box), edit_(entryLineEdit(box)), prompter_(prompter) {
    box->installEventFilter(this);
    if (edit_) {
        if (edit_ != box)
            edit_->installEventFilter(this);
        lastGood_ = edit_->text();
        // A user's change (typing, pasting, dropping) is announced as edited just before it is
        // announced as changed; a program's change only as changed.
        connect(edit_, &QLineEdit::textEdited, this,
                [this](const QString& text) { refuseNext_ = !numeric(text); });
        connect(edit_, &QLineEdit::textChanged, this, &NumberKeyFilter::changed);
    }
}

bool NumberKeyFilter::numeric(const QString& text) {
    for (QChar c : text)
        if (!(c.unicode() >= '0' && c.unicode() <= '9') && c != QLatin1Char(' '))
            return false;
    return true;
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == box_ || watched == edit_)) {
        const QString key = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (!checkForNumber(key, box_, prompter_))
            return true; // dropped
    }
    return QObject::eventFilter(watched, event);
}

void NumberKeyFilter::changed(const QString& text) {
    if (restoring_)
        return;
    if (!refuseNext_) {
        lastGood_ = text;
        return;
    }
    refuseNext_ = false;
    restoring_ = true;
    edit_->setText(lastGood_);
    restoring_ = false;
    prompter_.error(kNumericOnlyMessage);
    box_->setFocus();
}

// ---- TextEntryGuard -------------------------------------------------------------------------

TextEntryGuard::TextEntryGuard(QWidget* box, Prompter& prompter, QString forbidden)
    : QObject(box), box_(box), edit_(entryLineEdit(box)), prompter_(prompter),
      forbidden_(std::move(forbidden)) {
    if (edit_) {
        lastGood_ = edit_->text();
        connect(edit_, &QLineEdit::textEdited, this,
                [this](const QString& text) { refusal_ = refusalFor(text); });
        connect(edit_, &QLineEdit::textChanged, this, &TextEntryGuard::changed);
    }
}

QString TextEntryGuard::refusalFor(const QString& text) const {
    for (QChar c : forbidden_)
        if (text.contains(c))
            return notAllowedMessage(QString(c));
    for (QChar c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return kLineBreakMessage;
    const QString bad = firstUncarriable(text);
    if (!bad.isEmpty())
        return uncarriableMessage(bad);
    return {};
}

void TextEntryGuard::changed(const QString& text) {
    if (restoring_)
        return;
    if (refusal_.isEmpty()) {
        lastGood_ = text;
        return;
    }
    const QString refusal = refusal_;
    refusal_.clear();
    restoring_ = true;
    const int caret = std::min<int>(edit_->cursorPosition(), lastGood_.size());
    edit_->setText(lastGood_);
    edit_->setCursorPosition(caret);
    restoring_ = false;
    prompter_.error(refusal);
    box_->setFocus();
}
