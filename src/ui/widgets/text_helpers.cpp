#include "ui/widgets/text_helpers.h"

#include "core/contacts/contact_rules.h"
#include "core/tables/errors.h"
#include "core/tables/name_order.h"
#include "ui/qt_charset.h"

QString getFirstPart(const QString& text, const QString& separator) {
    const qsizetype at = text.indexOf(separator);
    return at < 0 ? text : text.left(at);
}

QString groupPart(const QString& text, const QString& fallback) {
    const qsizetype at = text.indexOf(QStringLiteral(" ("));
    if (at < 0)
        return normalGroup(fallback);
    const qsizetype from = at + 2;
    return text.mid(from, std::max<qsizetype>(0, text.size() - 1 - from));
}

QString pickerItemText(const QString& name, const QString& group) {
    const QString g = normalGroup(group);
    return g.isEmpty() ? name : name + QStringLiteral(" (") + g + QLatin1Char(')');
}

QString contactKey(const QString& number, const QString& group) {
    return number + normalGroup(group);
}

QString normalGroup(const QString& group) {
    return fromTableText(normalGroupText(tableBytes(group)));
}

int compareNames(const QString& a, const QString& b) {
    // The pickers only hold texts of the tables, which the charset carries; anything else sorts
    // by its code points.
    const auto x = toTableText(a);
    const auto y = toTableText(b);
    if (!x || !y)
        return QString::compare(a, b, Qt::CaseInsensitive);
    return compareCaseless(*x, *y);
}

QString normalGroupOf(std::string_view groupBytes) {
    return fromTableText(normalGroupText(groupBytes));
}

std::string tableBytes(const QString& text) {
    auto bytes = toTableText(text);
    if (!bytes)
        throw EConvertError(uncarriableMessage(firstUncarriable(text)).toStdString());
    return std::move(*bytes);
}
