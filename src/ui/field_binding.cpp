#include "ui/field_binding.h"

#include "core/tables/errors.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"

#include <QLineEdit>

FieldBinding::FieldBinding(QLineEdit* edit, TdxMemData& table, std::string fieldName,
                           Prompter& prompter, QObject* parent)
    : QObject(parent), edit_(edit), table_(table), fieldName_(std::move(fieldName)),
      prompter_(prompter) {
    const TField& f = field(); // fails at once for a name the table lacks
    if (f.Kind() == FieldKind::String && f.Size() > 0)
        edit_->setMaxLength(f.Size());
    table_.AddView(this);
    connect(edit_, &QLineEdit::textEdited, this, &FieldBinding::edited);
    connect(edit_, &QLineEdit::editingFinished, this, &FieldBinding::finished);
    connect(edit_, &QObject::destroyed, this, [this] { edit_ = nullptr; });
    refresh();
}

FieldBinding::~FieldBinding() {
    table_.RemoveView(this);
}

void FieldBinding::refresh() {
    if (!edit_ || updating_ || table_.ViewsSuspended())
        return;
    QString text;
    if (table_.Active() && (table_.RowCount() > 0 || table_.State() == DataSetState::Insert))
        text = fromTableText(field().AsString());
    if (!example_.isEmpty() && text == example_)
        text.clear();
    pending_ = false;
    shown_ = text;
    if (edit_->text() != text) {
        const int pos = edit_->cursorPosition();
        edit_->setText(text);
        edit_->setCursorPosition(std::min(pos, static_cast<int>(text.size())));
    }
}

void FieldBinding::setExample(const QString& example) {
    example_ = example;
    if (edit_)
        edit_->setPlaceholderText(example);
    refresh();
}

void FieldBinding::tableFieldChanged(int index) {
    if (index == field().Index())
        refresh();
}

void FieldBinding::edited(const QString& text) {
    const std::optional<std::string> bytes = toTableText(text);
    if (!bytes) {
        // Refused where it is typed: the box goes back to what the field holds.
        const QString bad = firstUncarriable(text);
        edit_->setText(shown_);
        prompter_.error(uncarriableMessage(bad));
        return;
    }
    pending_ = true;
    if (field().Kind() != FieldKind::String) {
        // A half-typed time or number stays in the box until it reads as a value.
        try {
            (void)fieldtext::parse(field().Def(), *bytes);
        } catch (const EConvertError&) {
            return;
        }
    }
    commit();
}

void FieldBinding::commit() {
    if (!edit_ || !pending_)
        return;
    const std::optional<std::string> bytes = toTableText(edit_->text());
    if (!bytes)
        return;
    updating_ = true;
    try {
        if (table_.State() == DataSetState::Browse) {
            if (table_.RowCount() == 0)
                table_.Append();
            else
                table_.Edit();
        }
        field().SetAsString(*bytes);
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    pending_ = false;
    shown_ = edit_->text();
}

void FieldBinding::finished() {
    if (!pending_)
        return;
    try {
        commit();
    } catch (const EConvertError& e) {
        const QString text = QString::fromStdString(e.what());
        refresh();
        prompter_.error(text);
    }
}
