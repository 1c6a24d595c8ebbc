#include "ui/widgets/date_box.h"

#include "core/tables/date_time.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QTimer>

namespace {

class SectionOnClick : public QObject {
public:
    explicit SectionOnClick(QDateTimeEdit* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            // After the box has placed its cursor where the click fell.
            QPointer<QDateTimeEdit> box = box_;
            QTimer::singleShot(0, box_, [box] {
                auto* edit = box ? box->findChild<QLineEdit*>() : nullptr;
                if (edit && !edit->hasSelectedText() && box->hasFocus())
                    box->setSelectedSection(box->currentSection());
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QDateTimeEdit* box_;
};

} // namespace

void selectSectionOnClick(QDateTimeEdit* box) {
    if (auto* edit = box->findChild<QLineEdit*>())
        edit->installEventFilter(new SectionOnClick(box));
}

TTimeBox::TTimeBox(QWidget* parent) : QTimeEdit(parent) {
    selectSectionOnClick(this);
}

TPlainDateBox::TPlainDateBox(QWidget* parent) : QDateEdit(parent) {
    setLocale(QLocale::c()); // month names as the grids show them
    setDisplayFormat(QStringLiteral("dd-MMM-yyyy"));
    setCalendarPopup(true);
    selectSectionOnClick(this);
}

QDate dateOfDay(int32_t day) {
    const CivilDate c = civilFromDayNumber(day);
    return QDate(c.year, c.month, c.day);
}

int32_t dayOfDate(const QDate& date) {
    return dayNumber(date.year(), date.month(), date.day());
}

TDateBox::TDateBox(std::function<int32_t()> today, QWidget* parent)
    : QDateEdit(parent), today_(std::move(today)) {
    setLocale(QLocale::c()); // month names as the grid shows them
    setDisplayFormat(QStringLiteral("dd-MMM-yyyy"));
    setCalendarPopup(true);
    setDate(dateOfDay(today_()));
    selectSectionOnClick(this);
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
