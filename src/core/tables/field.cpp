#include "core/tables/field.h"

#include "core/base/blanks.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "core/tables/message_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

std::string quoted(std::string_view text) {
    return quoteForMessage(text);
}

[[noreturn]] void refuse(const FieldDef& def, std::string_view text, const char* what) {
    const std::string& shown = def.displayLabel.empty() ? def.name : def.displayLabel;
    throw EConvertError(quoted(text) + " is not a valid " + what + " value for field '" + shown +
                        "'");
}

std::optional<int32_t> parseInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && blanks::spaceOrTab(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size())
        return std::nullopt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t{1} << 32)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<double> parseFloat(std::string_view s, char decimalSeparator) {
    s = trimmed(s, blanks::spaceOrTab);
    std::string normal;
    normal.reserve(s.size());
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            normal.push_back('-');
        ++i;
    }
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        normal.push_back(s[i++]);
        ++digits;
    }
    if (i < s.size() && s[i] == decimalSeparator) {
        normal.push_back('.');
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            normal.push_back(s[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            normal.push_back(s[i++]);
        size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            normal.push_back(s[i++]);
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    double v = 0;
    const auto res = std::from_chars(normal.data(), normal.data() + normal.size(), v);
    if (res.ec != std::errc() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool prefixOfIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() > word.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char a = text[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 32);
        char b = word[i];
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 32);
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

namespace fieldtext {

void appendFloat(std::string& out, double v, char decimalSeparator) {
    // The text of printf's "%.15G", built from the 15 correctly rounded significant digits that
    // to_chars gives (snprintf costs several times more, and this runs for every stored float).
    if (!std::isfinite(v)) {
        out += std::isnan(v) ? (std::signbit(v) ? "-NAN" : "NAN") : (v < 0 ? "-INF" : "INF");
        return;
    }
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    // buf: [-]d.dddddddddddddde(+|-)XX[X]
    const char* p = buf;
    if (*p == '-')
        out.push_back(*p++);
    char digits[15];
    digits[0] = *p++;
    ++p; // the point
    for (int i = 1; i < 15; ++i)
        digits[i] = *p++;
    ++p; // 'e'
    const bool negativeExponent = *p++ == '-';
    int exponent = 0;
    while (p != r.ptr)
        exponent = exponent * 10 + (*p++ - '0');
    if (negativeExponent)
        exponent = -exponent;
    int count = 15; // significant digits left once trailing zeros go
    while (count > 1 && digits[count - 1] == '0')
        --count;
    if (exponent < -4 || exponent >= 15) {
        out.push_back(digits[0]);
        if (count > 1) {
            out.push_back(decimalSeparator);
            out.append(digits + 1, static_cast<size_t>(count - 1));
        }
        out.push_back('E');
        out.push_back(negativeExponent ? '-' : '+');
        const int e = negativeExponent ? -exponent : exponent;
        if (e >= 100)
            out.push_back(static_cast<char>('0' + e / 100));
        out.push_back(static_cast<char>('0' + e / 10 % 10));
        out.push_back(static_cast<char>('0' + e % 10));
    } else if (exponent < 0) {
        out.push_back('0');
        out.push_back(decimalSeparator);
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<size_t>(count));
    } else {
        const int whole = exponent + 1;
        out.append(digits, static_cast<size_t>(std::min(whole, 15)));
        if (count > whole) {
            out.push_back(decimalSeparator);
            out.append(digits + whole, static_cast<size_t>(count - whole));
        }
    }
}

void append(std::string& out, FieldKind kind, const FieldValue& value, const FormatSettings& fs) {
    if (isNull(value))
        return;
    switch (kind) {
    case FieldKind::String:
        out += std::get<std::string>(value);
        break;
    case FieldKind::Integer: {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, std::get<int32_t>(value));
        out.append(buf, r.ptr);
        break;
    }
    case FieldKind::Float:
        appendFloat(out, std::get<double>(value), fs.decimalSeparator);
        break;
    case FieldKind::Boolean:
        out += std::get<bool>(value) ? "True" : "False";
        break;
    case FieldKind::Date:
        appendDate(out, std::get<int32_t>(value), fs);
        break;
    case FieldKind::Time:
        appendLongTime(out, std::get<int32_t>(value), fs);
        break;
    }
}

std::string format(FieldKind kind, const FieldValue& value, const FormatSettings& fs) {
    std::string out;
    append(out, kind, value, fs);
    return out;
}

FieldValue parse(const FieldDef& def, std::string_view text, const FormatSettings& fs) {
    if (text.empty())
        return {};
    switch (def.kind) {
    case FieldKind::String:
        return std::string(text.substr(0, static_cast<size_t>(def.size)));
    case FieldKind::Integer:
        if (const auto v = parseInteger(text))
            return *v;
        refuse(def, text, "integer");
    case FieldKind::Float:
        if (const auto v = parseFloat(text, fs.decimalSeparator))
            return *v;
        refuse(def, text, "floating point");
    case FieldKind::Boolean:
        if (prefixOfIgnoringCase(text, "False"))
            return false;
        if (prefixOfIgnoringCase(text, "True"))
            return true;
        refuse(def, text, "boolean");
    case FieldKind::Date:
        if (const auto v = parseDate(text, fs))
            return *v;
        throw EConvertError(quoted(text) + " is not a valid date");
    case FieldKind::Time:
        if (const auto v = parseTime(text, fs))
            return *v;
        throw EConvertError(quoted(text) + " is not a valid time");
    }
    return {};
}

} // namespace fieldtext

TField::TField(TdxMemData& table, int index, FieldDef def)
    : table_(table), index_(index), def_(std::move(def)) {}

const std::string& TField::DisplayName() const {
    return def_.displayLabel.empty() ? def_.name : def_.displayLabel;
}

bool TField::IsNull() const {
    return isNull(table_.currentValue(index_));
}

FieldValue TField::Value() const {
    return table_.currentValue(index_);
}

void TField::SetValue(const FieldValue& value) {
    table_.setBufferValue(index_, Converted(value));
}

FieldValue TField::Converted(const FieldValue& value) const {
    FieldValue v;
    if (const auto* s = std::get_if<std::string>(&value)) {
        v = fieldtext::parse(def_, *s);
    } else if (isNull(value)) {
        v = {};
    } else {
        switch (def_.kind) {
        case FieldKind::String:
            v = fieldtext::parse(
                def_, fieldtext::format(std::holds_alternative<double>(value) ? FieldKind::Float
                                        : std::holds_alternative<bool>(value) ? FieldKind::Boolean
                                                                              : FieldKind::Integer,
                                        value));
            break;
        case FieldKind::Integer:
        case FieldKind::Date:
        case FieldKind::Time:
            if (const auto* d = std::get_if<double>(&value)) {
                if (def_.kind == FieldKind::Date)
                    v = datePart(*d);
                else if (def_.kind == FieldKind::Time)
                    v = timePart(*d);
                else
                    v = static_cast<int32_t>(std::llround(*d));
            } else if (const auto* b = std::get_if<bool>(&value)) {
                v = static_cast<int32_t>(*b);
            } else {
                v = std::get<int32_t>(value);
            }
            break;
        case FieldKind::Float:
            if (const auto* i = std::get_if<int32_t>(&value))
                v = static_cast<double>(*i);
            else if (const auto* b = std::get_if<bool>(&value))
                v = *b ? 1.0 : 0.0;
            else
                v = std::get<double>(value);
            break;
        case FieldKind::Boolean:
            if (const auto* i = std::get_if<int32_t>(&value))
                v = *i != 0;
            else if (const auto* d = std::get_if<double>(&value))
                v = *d != 0;
            else
                v = std::get<bool>(value);
            break;
        }
    }
    return v;
}

std::string TField::AsString() const {
    return fieldtext::format(def_.kind, Value());
}

void TField::SetAsString(std::string_view text) {
    table_.setBufferValue(index_, fieldtext::parse(def_, text));
}

int32_t TField::AsInteger() const {
    const FieldValue v = Value();
    if (isNull(v))
        return 0;
    if (const auto* i = std::get_if<int32_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return static_cast<int32_t>(std::llround(*d));
    if (const auto* b = std::get_if<bool>(&v))
        return *b;
    const auto& s = std::get<std::string>(v);
    if (const auto parsed = parseInteger(s))
        return *parsed;
    refuse(def_, s, "integer");
}

void TField::SetAsInteger(int32_t v) {
    SetValue(v);
}

double TField::AsFloat() const {
    const FieldValue v = Value();
    if (!std::holds_alternative<std::string>(v))
        return numericOrZero(v);
    const auto& s = std::get<std::string>(v);
    if (const auto parsed = parseFloat(s, processFormats().decimalSeparator))
        return *parsed;
    refuse(def_, s, "floating point");
}

void TField::SetAsFloat(double v) {
    SetValue(v);
}

bool TField::AsBoolean() const {
    const FieldValue v = Value();
    if (isNull(v))
        return false;
    if (const auto* b = std::get_if<bool>(&v))
        return *b;
    if (const auto* i = std::get_if<int32_t>(&v))
        return *i != 0;
    if (const auto* d = std::get_if<double>(&v))
        return *d != 0;
    FieldDef asBool = def_;
    asBool.kind = FieldKind::Boolean;
    return std::get<bool>(fieldtext::parse(asBool, std::get<std::string>(v)));
}

void TField::SetAsBoolean(bool v) {
    SetValue(v);
}

double TField::AsDateTime() const {
    const FieldValue v = Value();
    if (isNull(v))
        return 0;
    switch (def_.kind) {
    case FieldKind::Date:
        return std::get<int32_t>(v);
    case FieldKind::Time:
        return static_cast<double>(std::get<int32_t>(v)) / kMsPerDay;
    default:
        return AsFloat();
    }
}

void TField::SetAsDateTime(double v) {
    SetValue(v);
}
