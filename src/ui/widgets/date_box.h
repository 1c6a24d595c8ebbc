#pragma once

// The appointment date box: a date box with a drop-down calendar that shows "dd-MMM-yyyy"
// (31-Jan-2003), holds whole day numbers (days since 30/12/1899), and whose earliest selectable
// date becomes today once it has had the focus. From then on, putting an earlier date into it
// from the program fails with EDateTimeError "Date is less than minimum of dd/mm/yyyy" (today),
// and the box keeps its date.

#include <QDateEdit>
#include <QTimeEdit>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

class EDateTimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

QDate dateOfDay(int32_t day);
int32_t dayOfDate(const QDate& date);

class TDateBox : public QDateEdit {
    Q_OBJECT
public:
    // today: the clock's day number.
    explicit TDateBox(std::function<int32_t()> today, QWidget* parent = nullptr);

    int32_t day() const { return dayOfDate(date()); }
    void setDay(int32_t day);
    std::optional<int32_t> minimumDay() const { return minimumDay_; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab goes to the next control; Left and Right move between the day, month and year.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    std::function<int32_t()> today_;
    std::optional<int32_t> minimumDay_;
};

// A time box that behaves like the date box at the keyboard: Tab leaves it, and a click
// selects the hours or minutes under the mouse so that digits typed next replace them.
class TTimeBox : public QTimeEdit {
    Q_OBJECT
public:
    explicit TTimeBox(QWidget* parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

// A date box "dd-MMM-yyyy" with a drop-down calendar and no earliest date, that behaves like the
// appointment date box at the keyboard: Tab leaves it, and a click selects the day, month or
// year under the mouse.
class TPlainDateBox : public QDateEdit {
    Q_OBJECT
public:
    explicit TPlainDateBox(QWidget* parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

// After a single click into a date or time box, the section under the mouse is selected, so that
// digits typed next go in there (not beside the digits already shown, where they do not fit).
void selectSectionOnClick(QDateTimeEdit* box);
