#include "services/window/controls/date_edit.h"

#include "services/db/detail/cell_text.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDate>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {

bool DateCharacter(QChar c) { return c.isDigit() || c == '-' || c == '/' || c == ' ' || c == ':' || c == 'T'; }

// A small calendar sheet drawn for the drop-down button.
QIcon CalendarIcon() {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(80, 80, 80));
    p.drawRect(1, 2, 11, 10);
    p.fillRect(2, 3, 10, 3, QColor(200, 60, 60));
    for (int y = 7; y <= 10; y += 3)
        for (int x = 3; x <= 10; x += 3) p.drawPoint(x, y);
    return QIcon(pixmap);
}

}  // namespace

QValidator::State DateTextValidator::validate(QString& input, int&) const {
    const QString trimmed = input.trimmed();
    if (trimmed.isEmpty()) return Acceptable;
    if (input.size() > 19 || !std::all_of(input.begin(), input.end(), DateCharacter)) return Invalid;
    return dbdetail::NormalizedDate(trimmed.toStdString()) ? Acceptable : Intermediate;
}

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new DateTextValidator(this));
    dropDown_ = addAction(CalendarIcon(), QLineEdit::TrailingPosition);
    dropDown_->setToolTip(QStringLiteral("选择日期"));
    connect(dropDown_, &QAction::triggered, this, &DateEdit::showCalendar);
}

void DateEdit::showCalendar() {
    if (calendar_) return;
    calendar_ = new QCalendarWidget(this);
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setAttribute(Qt::WA_DeleteOnClose);
    calendar_->setGridVisible(true);
    QDate shown = QDate::currentDate();
    if (auto stored = dbdetail::NormalizedDate(text().trimmed().toStdString()))
        shown = QDate::fromString(QString::fromStdString(stored->substr(0, 10)), Qt::ISODate);
    calendar_->setSelectedDate(shown);
    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate day) {
        setText(day.toString(Qt::ISODate));
        if (calendar_) calendar_->close();
    });
    connect(calendar_, &QCalendarWidget::activated, this, [this](QDate day) {
        setText(day.toString(Qt::ISODate));
        if (calendar_) calendar_->close();
    });
    connect(calendar_, &QObject::destroyed, this, [this] { calendar_ = nullptr; });
    calendar_->adjustSize();
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

QCalendarWidget* DateEdit::calendar() const { return calendar_; }
