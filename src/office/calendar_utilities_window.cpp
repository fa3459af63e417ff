#include "office/calendar_utilities_window.h"

#include "ui/look.h"
#include "data/regional.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int FirstEasterYear = 1583;
constexpr int LastEasterYear = 2100;

// The year field: arrows stay within the bounds and leaving the field brings a typed year back
// within them, but while typing any year may stand, so that its text can be judged as typed.
class YearSpinBox : public QSpinBox {
public:
    explicit YearSpinBox(QWidget *parent) : QSpinBox(parent)
    {
        setRange(FirstEasterYear, LastEasterYear);
        setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    }
    QLineEdit *editor() const { return lineEdit(); }

protected:
    QValidator::State validate(QString &text, int &) const override
    {
        bool whole = false;
        const int year = text.toInt(&whole);
        if (!whole)
            return text.isEmpty() ? QValidator::Intermediate : QValidator::Invalid;
        return year >= minimum() && year <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }
    void fixup(QString &text) const override
    {
        bool whole = false;
        const int year = text.toInt(&whole);
        text = QString::number(whole ? std::clamp(year, minimum(), maximum()) : minimum());
    }
};

QLabel *redLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
    return label;
}

const QString DateHint = QStringLiteral("Επέλεξε ή δώσε ημερομηνία");

QCalendarWidget *largeCalendar(QDate shown, QWidget *parent)
{
    auto *calendar = new QCalendarWidget(parent);
    look::nameCalendarButtons(calendar);
    calendar->setObjectName(QStringLiteral("MonthCalendar1"));
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    calendar->setMinimumSize(617, 585);
    QFont large = calendar->font();
    large.setPointSize(14);
    calendar->setFont(large);
    calendar->setSelectedDate(shown);
    return calendar;
}

QLabel *calendarHint(QWidget *parent)
{
    auto *hint = new QLabel(QStringLiteral("Για αλλαγή κάνε click στο μήνα ή έτος"), parent);
    hint->setStyleSheet(QStringLiteral("QLabel { color: black; background: white; font-weight: bold; }"));
    return hint;
}

QDateEdit *datePicker(const QString &name, QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(Regional::current().shortDateFormat);
    picker->setDateRange(QDate(1940, 1, 1), QDate(2050, 1, 1));
    picker->setToolTip(DateHint);
    picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance(QStringLiteral("88/88/8888")) + 40);
    picker->setAccessibleName(DateHint);
    return picker;
}

// The chosen date as the window writes it; the picker beside it changes it.
QLineEdit *dateText(const QString &name, const QString &caption, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setToolTip(DateHint);
    field->setAccessibleName(caption);
    field->setFixedWidth(100);
    return field;
}

QPushButton *exitButton(QWidget *parent)
{
    QPushButton *exit = look::exitButton(parent);
    exit->setText(QStringLiteral("Έξοδος"));
    exit->setToolTip(QStringLiteral("Έξοδος"));
    exit->setObjectName(QStringLiteral("Button1"));
    return exit;
}

} // namespace

QString find_pasxa(int year)
{
    if (year < FirstEasterYear || year > LastEasterYear)
        return {};
    const int r4 = (19 * (year % 19) + 16) % 30;
    const int r5 = (2 * (year % 4) + 4 * (year % 7) + 6 * r4) % 7;
    const int n = r4 + r5 + 3;
    return n <= 30 ? QStringLiteral("είναι %1 Απριλίου").arg(n) : QStringLiteral("είναι %1 Μαϊου").arg(n - 30);
}

QString daysBetween(const QDateTime &from, const QDateTime &to)
{
    if (from >= to)
        return {};
    // Calendar days, not seconds over 86400: a day of a clock change is 23 or 25 hours long.
    const qint64 days = from.date().daysTo(to.date()) - (to.time() < from.time() ? 1 : 0);
    return QStringLiteral("Αριθμός ημερών=%1").arg(days);
}

CalendarUtilitiesWindow::CalendarUtilitiesWindow(QWidget *parent)
    : Window(QStringLiteral("TForm8"), QStringLiteral("Ημερολογιακά"), parent)
{
    // Both dates start as the same moment, so the days result starts empty.
    const QDateTime now = QDateTime::currentDateTime();
    m_from = m_to = now;

    auto *layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(largeCalendar(now.date(), this), 0, 0, 1, 6);
    layout->addWidget(calendarHint(this), 1, 0, 1, 6, Qt::AlignLeft);
    layout->addLayout(easterRow(now.date().year()), 2, 0, 1, 6);
    layout->addWidget(look::caption(QStringLiteral("Αριθμός ημερών μεταξύ δύο ημερομηνιών"), nullptr, this), 3, 0, 1, 6);
    layout->addLayout(daysRow(), 4, 0, 1, 6);
    layout->addWidget(exitButton(this), 5, 5, Qt::AlignRight);
}

QLayout *CalendarUtilitiesWindow::easterRow(int year)
{
    auto *yearField = new YearSpinBox(this);
    m_year = yearField;
    m_year->setObjectName(QStringLiteral("SpinEdit1"));
    m_year->setToolTip(QStringLiteral("Έτος"));
    m_year->setAccessibleName(QStringLiteral("Έτος"));
    m_easter = redLabel(QString(), this);
    m_easter->setObjectName(QStringLiteral("Label2"));

    auto *row = new QHBoxLayout;
    row->addWidget(redLabel(QStringLiteral("Το Πάσχα για το έτος:"), this));
    row->addWidget(m_year);
    row->addWidget(m_easter);
    row->addStretch();

    m_year->setValue(year);
    easterChanged();
    connect(yearField->editor(), &QLineEdit::textChanged, this, &CalendarUtilitiesWindow::easterChanged);
    connect(yearField, &QSpinBox::valueChanged, this, &CalendarUtilitiesWindow::easterChanged);
    return row;
}

QLayout *CalendarUtilitiesWindow::daysRow()
{
    m_fromText = dateText(QStringLiteral("Edit1"), QStringLiteral("Από:"), this);
    m_toText = dateText(QStringLiteral("Edit2"), QStringLiteral("Μέχρι:"), this);
    QDateEdit *fromPicker = datePicker(QStringLiteral("DateTimePicker1"), this);
    QDateEdit *toPicker = datePicker(QStringLiteral("DateTimePicker2"), this);
    m_days = redLabel(QString(), this);
    m_days->setObjectName(QStringLiteral("Label6"));

    auto *row = new QHBoxLayout;
    row->addWidget(redLabel(QStringLiteral("Από:"), this));
    row->addWidget(m_fromText);
    row->addWidget(fromPicker);
    row->addSpacing(12);
    row->addWidget(redLabel(QStringLiteral("Μέχρι:"), this));
    row->addWidget(m_toText);
    row->addWidget(toPicker);
    row->addSpacing(12);
    row->addWidget(m_days);
    row->addStretch();

    fromPicker->setDate(m_from.date());
    toPicker->setDate(m_to.date());
    datesChanged();
    connect(fromPicker, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_from.setDate(date); // the time of day stays the one it got at opening
        datesChanged();
    });
    connect(toPicker, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_to.setDate(date);
        datesChanged();
    });
    return row;
}

void CalendarUtilitiesWindow::easterChanged()
{
    bool whole = false;
    int year = m_year->cleanText().toInt(&whole);
    if (!whole)
        year = FirstEasterYear;
    m_easter->setText(find_pasxa(year));
}

void CalendarUtilitiesWindow::datesChanged()
{
    const Regional &regional = Regional::current();
    m_fromText->setText(regional.formatDate(m_from.date()));
    m_toText->setText(regional.formatDate(m_to.date()));
    m_days->setText(daysBetween(m_from, m_to));
}
