#include "ui/qt_charset.h"

#include "core/tables/charset.h"

QString fromTableText(std::string_view bytes) {
    const std::string utf8 = utf8FromCp1252(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toTableText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return cp1252FromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString firstUncarriable(const QString& text) {
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        char32_t cp = it->unicode();
        int width = 1;
        if (it->isHighSurrogate() && it + 1 != text.cend() && (it + 1)->isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(*it, *(it + 1));
            width = 2;
        }
        if (!cp1252CanEncode(cp))
            return QString(it, width);
        if (width == 2)
            ++it;
    }
    return {};
}

QString uncarriableMessage(const QString& character) {
    return QStringLiteral("The character %1 cannot be stored. Please use another character")
        .arg(character);
}
