#pragma once

#include <QString>

class QLabel;
class QWidget;

// What a message costs, for the label beside its character count: "1 SMS", "2 SMS: 'â' needs
// Unicode". The placeholders are counted as the date ("dd/mm/yyyy") and time ("HH:mm") texts
// that replace them; empty for an empty message.
QString smsMeterText(const QString& message);

// The meter label every message box shows beside its count, named "lblSegments".
QLabel* makeSmsMeterLabel(QWidget* parent);
