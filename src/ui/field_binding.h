#pragma once

#include "core/tables/mem_data.h"

#include <QObject>
#include <QString>

class QLineEdit;
class Prompter;

// Binds one edit box to one field of a record table, the way every bound edit of the program
// works: the box shows the field of the current row; what is typed goes into the table's edit
// buffer (the table is put into Edit when it is browsing), and the row is posted by whoever
// posts the table (a write of the table file posts a pending edit). Text the single-byte
// charset cannot carry is refused where it is typed. Text of a date, time or number field is
// written once it reads as a value; a text that does not is refused when the box is left.
class FieldBinding : public QObject, public TableView {
    Q_OBJECT
public:
    FieldBinding(QLineEdit* edit, TdxMemData& table, std::string fieldName, Prompter& prompter,
                 QObject* parent = nullptr);
    ~FieldBinding() override;

    QLineEdit* edit() const { return edit_; }
    // A value the field may hold that is only an example: the box then stands empty with the
    // example in grey as its placeholder, so that nobody takes it for a setting.
    void setExample(const QString& example);
    TField& field() const { return table_.FieldNamed(fieldName_); }

    // Writes the box's text into the field now; throws the field's conversion error when the
    // text is not a value of the field's kind.
    void commit();
    // Shows the field's current value in the box.
    void refresh();

    void tableCursorMoved() override { refresh(); }
    void tableStateChanged() override { refresh(); }
    void tableFieldChanged(int field) override;
    void tableRowChanged(int) override { refresh(); }
    void tableRefresh() override { refresh(); }

private:
    void edited(const QString& text);
    void finished();

    QLineEdit* edit_;
    QString example_;
    TdxMemData& table_;
    std::string fieldName_;
    Prompter& prompter_;
    QString shown_; // the last text that went into the field (or came from it)
    bool updating_ = false;
    bool pending_ = false; // the box holds text not yet written to the field
};
