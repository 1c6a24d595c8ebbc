#include "ui/widgets/date_box.h"

#include "core/tables/date_time.h"

#include <QFocusEvent>
#include <QLocale>

QDate dateOfDay(int32_t day) {
    const CivilDate c = civilFromDayNumber(day);
    return QDate(c.year, c.month, c.day);
}

int32_t dayOfDate(const QDate& date) { return dayNumber(date.year(), date.month(), date.day()); }

TDateBox::TDateBox(std::function<int32_t()> today, QWidget* parent)
    : QDateEdit(parent), today_(std::move(today)) {
    setLocale(QLocale::c()); // month names as the grid shows them
    setDisplayFormat(QStringLiteral("dd-MMM-yyyy"));
    setCalendarPopup(true);
    setDate(dateOfDay(today_()));
}

void TDateBox::setDay(int32_t day) {
    if (minimumDay_ && day < *minimumDay_)
        throw EDateTimeError("Date is less than minimum of " + formatDate(*minimumDay_));
    setDate(dateOfDay(day));
}

void TDateBox::focusInEvent(QFocusEvent* event) {
    minimumDay_ = today_();
    setMinimumDate(dateOfDay(*minimumDay_));
    QDateEdit::focusInEvent(event);
}

void TDateBox::focusOutEvent(QFocusEvent* event) {
    QDateEdit::focusOutEvent(event);
    update(); // redraw the text
}
