#pragma once

#include "core/tables/format_settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

class TdxMemData;

// The six kinds of field a record table holds.
enum class FieldKind { String, Integer, Float, Boolean, Date, Time };

// A field's value: null, text, a 32-bit integer (also a date's day number and a time's
// milliseconds since midnight), a double, or a boolean.
using FieldValue = std::variant<std::monostate, std::string, int32_t, double, bool>;

inline bool isNull(const FieldValue& v) {
    return std::holds_alternative<std::monostate>(v);
}

// A number, boolean or date held as a double; null and text give 0.
inline double numericOrZero(const FieldValue& v) {
    if (const auto* i = std::get_if<int32_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* b = std::get_if<bool>(&v))
        return *b;
    return 0;
}

// A field as declared in a table's schema. Required, DefaultExpression, DisplayFormat and
// EditMask are declarations only: the table enforces none of them.
struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::String;
    int size = 20;
    std::string displayLabel;
    int displayWidth = 0;
    std::string displayFormat;
    std::string editMask;
    bool visible = true;
    bool required = false;
    std::string defaultExpression;
    bool calculated = false; // only the hidden RecId
};

// Text forms of field values, the one form used by table files and by the program.
namespace fieldtext {

// Appends the text form of a non-null value.
void append(std::string& out, FieldKind kind, const FieldValue& value,
            const FormatSettings& fs = processFormats());
std::string format(FieldKind kind, const FieldValue& value,
                   const FormatSettings& fs = processFormats());
// Converts text to the field's kind; the empty text gives null. Throws EConvertError with the
// exact message for the kind ("'x' is not a valid date", ...). displayName names the field.
FieldValue parse(const FieldDef& def, std::string_view text,
                 const FormatSettings& fs = processFormats());
// The shortest decimal form with at most 15 significant digits.
void appendFloat(std::string& out, double v, char decimalSeparator);

} // namespace fieldtext

// A field of a table: reads and writes the current row (Browse) or the edit buffer (Edit, Insert).
class TField {
public:
    TField(TdxMemData& table, int index, FieldDef def);

    const std::string& FieldName() const { return def_.name; }
    FieldKind Kind() const { return def_.kind; }
    int Size() const { return def_.size; }
    const FieldDef& Def() const { return def_; }
    // The DisplayLabel, or the FieldName when no label is declared.
    const std::string& DisplayName() const;
    int Index() const { return index_; }
    TdxMemData& DataSet() const { return table_; }

    bool IsNull() const;
    FieldValue Value() const;
    void SetValue(const FieldValue& value);
    // The value as SetValue would store it: text parsed, numbers converted to the field's kind.
    FieldValue Converted(const FieldValue& value) const;
    void Clear() { SetValue(FieldValue{}); }

    // The text form (EditText); the empty text for null.
    std::string AsString() const;
    void SetAsString(std::string_view text);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t v);
    double AsFloat() const;
    void SetAsFloat(double v);
    bool AsBoolean() const;
    void SetAsBoolean(bool v);
    // Days since 30/12/1899 plus the fraction of the day.
    double AsDateTime() const;
    void SetAsDateTime(double v);

    // Called after every change of this field's value in the edit buffer.
    std::function<void(TField&)> OnChange;

private:
    TdxMemData& table_;
    int index_;
    FieldDef def_;
};
