#pragma once
// The edit box declared for date input: a line of text, so that it stays
// empty for "no date" and takes the forms a user types ("1980-01-06",
// "1980/1/6", with or without a time), plus a calendar that drops down from
// the box and writes the chosen day as "yyyy-MM-dd". Keys that cannot be part
// of a date are refused; a date that is not yet whole (or not a real day) is
// left for the save to judge, which names the expected form.

#include <QLineEdit>
#include <QValidator>

class QAction;
class QCalendarWidget;

// Acceptable: empty or a date the address book stores; Intermediate: digits
// and date separators only; Invalid: anything else.
class DateTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // Opens the calendar under the box on the box's date (today when it holds none).
    void showCalendar();
    // The calendar while it is open (nullptr otherwise), for inspection.
    QCalendarWidget* calendar() const;

private:
    QAction* dropDown_ = nullptr;
    QCalendarWidget* calendar_ = nullptr;
};
