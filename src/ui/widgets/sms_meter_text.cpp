#include "ui/widgets/sms_meter_text.h"

#include "core/reminders/placeholders.h"
#include "core/reminders/sms_meter.h"
#include "ui/qt_charset.h"

#include <QLabel>

QString smsMeterText(const QString& message) {
    if (message.isEmpty())
        return {};
    // Counted as it will go out, placeholders filled: any date and time have the same length
    // and alphabet. Text the charset cannot carry is refused where typed; it is measured as is.
    if (const std::optional<std::string> bytes = toTableText(message))
        return QString::fromStdString(
            smsMeterLabel(measureSms(fillPlaceholders(*bytes, 0, 0).text)));
    return QString::fromStdString(smsMeterLabel(measureSms(message.toStdU32String())));
}

QLabel* makeSmsMeterLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblSegments"));
    label->setToolTip(QStringLiteral("How many SMS the message costs once the date and time are "
                                     "filled in"));
    return label;
}
