#include "ui/widgets/sms_meter_text.h"

#include "core/reminders/sms_meter.h"

#include <QLabel>

QString smsMeterText(const QString& message) {
    if (message.isEmpty())
        return {};
    // Only the lengths and the alphabet of the filled-in texts matter, and dates and times are
    // digits and separators of the GSM alphabet.
    QString filled = message;
    filled.replace(QLatin1Char('|'), QStringLiteral("00/00/0000"));
    filled.replace(QLatin1Char('~'), QStringLiteral("00:00"));
    return QString::fromStdString(smsMeterLabel(measureSms(filled.toStdU32String())));
}

QLabel* makeSmsMeterLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblSegments"));
    label->setToolTip(QStringLiteral("How many SMS the message costs once the date and time are "
                                     "filled in"));
    return label;
}
