#include "appointments/month_calendar_window.h"

#include "data/dataset.h"
#include "appointments/day_sheet_window.h"
#include "data/db_error.h"
#include "data/global.h"
#include "ui/look.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor Gray(128, 128, 128);
const QColor Green(0, 128, 0);

QString withoutBlanksAndControls(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from).unicode() <= 32)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 32)
        --to;
    return text.mid(from, to - from);
}

void setColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLabel *bandCaption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("QLabel { color: blue; font-size: 18px; font-weight: bold; }"));
    return label;
}

} // namespace

int bookedSlots(Connection &connection, QDate date)
{
    DataSet day(connection);
    day.setSql(QStringLiteral("SELECT * FROM RANTEBOU WHERE HMEROMHNIA=?"), {date});
    day.open();
    if (day.isEmpty())
        return 0;
    int filled = 0;
    for (int column = 0; column < qMin(29, day.fieldCount()); ++column)
        if (!withoutBlanksAndControls(displayText(day.value(column))).isEmpty())
            ++filled;
    return qMax(0, filled - 1); // the date column is always there
}

MonthCalendarWindow::MonthCalendarWindow(QWidget *parent)
    : Window(QStringLiteral("TForm1a"), QStringLiteral("Μηνιαία κατάσταση των ραντεβού"), parent)
{
    m_today = QDate::currentDate();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(monthBand());
    QPushButton *exit = look::exitButton(this);
    exit->setObjectName(QStringLiteral("Button1"));
    layout->addLayout(monthGrid());
    layout->addWidget(exit, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab runs along the band, through the days in order, then to the exit.
    QWidget *previous = m_years;
    for (QWidget *next : std::initializer_list<QWidget *>{findChild<QPushButton *>(QStringLiteral("Button2")), m_months}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (const Cell &cell : m_cells) {
        setTabOrder(previous, cell.day);
        previous = cell.day;
    }
    setTabOrder(previous, exit);

    showToday();
    // What another seat books, changes or clears shows in the counts.
    refreshOnChanges({QStringLiteral("RANTEBOU")}, [this] { countAppointments(); });
    connect(m_months, &QComboBox::activated, this, guarded(&MonthCalendarWindow::rebuild));
    connect(m_years, &QComboBox::activated, this, guarded(&MonthCalendarWindow::rebuild));
}

// The year and month lists, with "Σήμερα" between them.
QLayout *MonthCalendarWindow::monthBand()
{
    const QString listStyle = QStringLiteral("QComboBox { color: blue; font-size: 18px; font-weight: bold; }");
    m_years = new QComboBox(this);
    m_years->setObjectName(QStringLiteral("ComboBox2"));
    for (int year = FirstBookYear; year <= LastBookYear; ++year)
        m_years->addItem(QString::number(year));
    m_years->setMaxVisibleItems(15);
    m_months = new QComboBox(this);
    m_months->setObjectName(QStringLiteral("ComboBox1"));
    m_months->addItems({"Ιανουάριος", "Φεβρουάριος", "Μάρτιος", "Απρίλιος", "Μάιος", "Ιούνιος", "Ιούλιος",
                        "Αύγουστος", "Σεπτέμβριος", "Οκτώβριος", "Νοέμβριος", "Δεκέμβριος"});
    m_months->setMaxVisibleItems(12);
    for (QComboBox *list : {m_years, m_months}) {
        list->setStyleSheet(listStyle);
    }
    m_years->setAccessibleName(QStringLiteral("Έτος:"));
    m_months->setAccessibleName(QStringLiteral("Μήνας:"));
    auto *today = new QPushButton(QStringLiteral("Σήμερα"), this);
    today->setObjectName(QStringLiteral("Button2"));
    connect(today, &QPushButton::clicked, this, guarded(&MonthCalendarWindow::showToday));

    auto *band = new QHBoxLayout;
    band->addWidget(bandCaption(QStringLiteral("Έτος:"), this));
    band->addWidget(m_years);
    band->addStretch();
    band->addWidget(today);
    band->addStretch();
    band->addWidget(bandCaption(QStringLiteral("Μήνας:"), this));
    band->addWidget(m_months);
    return band;
}

// The names of the week's days over the 37 cells: cell k lies in week row (k - 1) / 7 and
// column (k - 1) % 7.
QLayout *MonthCalendarWindow::monthGrid()
{
    auto *grid = new QGridLayout;
    grid->setSpacing(0);
    const QStringList dayNames = {"Δευτέρα", "Τρίτη", "Τετάρτη", "Πέμπτη", "Παρασκευή", "Σάββατο", "Κυριακή"};
    for (int c = 0; c < 7; ++c) {
        auto *name = new QLabel(dayNames[c], this);
        name->setAlignment(Qt::AlignCenter);
        name->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; color: %1; }").arg(c < 5 ? "#008000" : "#00FF00"));
        grid->addWidget(name, 0, c);
    }
    for (int k = 1; k <= 37; ++k)
        grid->addWidget(dayCell(k), 1 + (k - 1) / 7, (k - 1) % 7);
    return grid;
}

// A white cell: the day's number, which opens the day, over its number of appointments.
QFrame *MonthCalendarWindow::dayCell(int k)
{
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Cell%1").arg(k));
    frame->setStyleSheet(QStringLiteral("#Cell%1 { background: white; border: 1px solid black; }").arg(k));
    frame->setMinimumSize(104, 78);
    auto *day = new QLabel(frame);
    day->setObjectName(QStringLiteral("LabelD%1").arg(k));
    day->setAlignment(Qt::AlignCenter);
    day->setStyleSheet(QStringLiteral("QLabel { font-size: 12px; font-weight: bold; }"
                                      "QLabel:focus { background: #C8DCFF; }"));
    day->setCursor(Qt::PointingHandCursor);
    day->setFocusPolicy(Qt::StrongFocus); // a hidden day, outside the month, is passed over
    day->installEventFilter(this);
    auto *count = new QLabel(frame);
    count->setObjectName(QStringLiteral("LabelR%1").arg(k));
    count->setAlignment(Qt::AlignCenter);
    count->setStyleSheet(QStringLiteral("QLabel { color: red; font-size: 29px; font-weight: bold; }"));
    auto *cellLayout = new QVBoxLayout(frame);
    cellLayout->setContentsMargins(2, 2, 2, 2);
    cellLayout->addWidget(day);
    cellLayout->addWidget(count, 1);
    m_cells.push_back({day, count});
    return frame;
}

void MonthCalendarWindow::showToday()
{
    m_months->setCurrentIndex(m_today.month() - 1);
    // A today outside the book's years shows the nearest year of the list.
    m_years->setCurrentIndex(std::clamp(m_today.year(), FirstBookYear, LastBookYear) - FirstBookYear);
    rebuild();
}

int MonthCalendarWindow::shownMonth() const
{
    return m_months->currentIndex() + 1;
}

int MonthCalendarWindow::shownYear() const
{
    return m_years->currentText().toInt();
}

QDate MonthCalendarWindow::shownMonthStart() const
{
    return QDate(shownYear(), shownMonth(), 1);
}

const MonthCalendarWindow::Cell &MonthCalendarWindow::cellOf(int day) const
{
    return m_cells[size_t(shownMonthStart().dayOfWeek() + day - 2)];
}

QString MonthCalendarWindow::dateText(int day) const
{
    return QStringLiteral("%1/%2/%3").arg(day).arg(shownMonth()).arg(shownYear());
}

void MonthCalendarWindow::rebuild()
{
    const QDate start = shownMonthStart();
    for (size_t i = 0; i < m_cells.size(); ++i) {
        const Cell &cell = m_cells[i];
        cell.day->hide();
        cell.day->clear();
        cell.count->hide();
        cell.count->clear();
        const bool weekend = i % 7 >= 5;
        setColour(cell.day, weekend ? Gray : QColor(Qt::black));
    }
    for (int d = 1; d <= start.daysInMonth(); ++d) {
        const Cell &cell = cellOf(d);
        cell.day->setText(QString::number(d));
        cell.day->show();
        cell.count->show();
        if (start.addDays(d - 1) == m_today)
            setColour(cell.day, Green);
    }
    countAppointments();
}

void MonthCalendarWindow::countAppointments()
{
    const ScopedConnection connection(m_connection);
    for (int d = 1; d <= shownMonthStart().daysInMonth(); ++d) {
        const int booked = bookedSlots(m_connection, shownMonthStart().addDays(d - 1));
        cellOf(d).count->setText(booked > 0 ? QString::number(booked) : QString());
        // What a screen reader says of the day: «15 Δεκεμβρίου 2026, 2 ραντεβού».
        const QString day = QLocale(QLocale::Greek, QLocale::Greece).toString(shownMonthStart().addDays(d - 1), QStringLiteral("d MMMM yyyy"));
        cellOf(d).day->setAccessibleName(day + (booked > 0 ? QStringLiteral(", %1 ραντεβού").arg(booked)
                                                           : QStringLiteral(", κανένα ραντεβού")));
    }
}

void MonthCalendarWindow::openDay(int day)
{
    const QString text = dateText(day);
    const QDate date = shownMonthStart().addDays(day - 1);
    addDayRow(m_connection, date);
    {
        DaySheetWindow sheet(this);
        sheet.openDay(text, date);
        sheet.exec();
    }
    countAppointments();
}

QWidget *MonthCalendarWindow::firstField()
{
    if (shownMonthStart() == QDate(m_today.year(), m_today.month(), 1))
        return cellOf(m_today.day()).day;
    return Window::firstField();
}

bool MonthCalendarWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter or Space opens the focused day as a click does; the arrows walk the days.
    if (event->type() == QEvent::KeyPress) {
        auto *label = qobject_cast<QLabel *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (label && !label->text().isEmpty() && !(key->modifiers() & ~Qt::KeypadModifier)) {
            const int day = label->text().toInt();
            int step = 0;
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space: runGuarded(this, [&] { openDay(day); }); return true;
            case Qt::Key_Left: step = -1; break;
            case Qt::Key_Right: step = 1; break;
            case Qt::Key_Up: step = -7; break;
            case Qt::Key_Down: step = 7; break;
            default: break;
            }
            if (step != 0) {
                if (day + step >= 1 && day + step <= shownMonthStart().daysInMonth())
                    cellOf(day + step).day->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (auto *label = qobject_cast<QLabel *>(watched); label && !label->text().isEmpty()) {
            runGuarded(this, [&] { openDay(label->text().toInt()); });
            return true;
        }
    }
    return Window::eventFilter(watched, event);
}
