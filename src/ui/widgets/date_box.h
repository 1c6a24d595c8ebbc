#pragma once

// The appointment date box: a date box with a drop-down calendar that shows "dd-MMM-yyyy"
// (31-Jan-2003), holds whole day numbers (days since 30/12/1899), and whose earliest selectable
// date becomes today once it has had the focus. From then on, putting an earlier date into it
// from the program fails with EDateTimeError "Date is less than minimum of dd/mm/yyyy" (today),
// and the box keeps its date.

#include <QDateEdit>
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

private:
    std::function<int32_t()> today_;
    std::optional<int32_t> minimumDay_;
};
