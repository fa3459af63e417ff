#include "calendar_utilities_window.h"

#include "look.h"
#include "regional.h"

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

    auto *calendar = new QCalendarWidget(this);
    look::nameCalendarButtons(calendar);
    calendar->setObjectName(QStringLiteral("MonthCalendar1"));
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    calendar->setMinimumSize(617, 585);
    QFont large = calendar->font();
    large.setPointSize(14);
    calendar->setFont(large);
    auto *hint = new QLabel(QStringLiteral("Για αλλαγή κάνε click στο μήνα ή έτος"), this);
    hint->setStyleSheet(QStringLiteral("QLabel { color: black; background: white; font-weight: bold; }"));

    auto *year = new YearSpinBox(this);
    m_year = year;
    m_year->setObjectName(QStringLiteral("SpinEdit1"));
    m_year->setToolTip(QStringLiteral("Έτος"));
    m_year->setAccessibleName(QStringLiteral("Έτος"));
    m_easter = redLabel(QString(), this);
    m_easter->setObjectName(QStringLiteral("Label2"));

    const QString dateHint = QStringLiteral("Επέλεξε ή δώσε ημερομηνία");
    const auto datePicker = [&](const QString &name) {
        auto *picker = new QDateEdit(this);
        picker->setObjectName(name);
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(Regional::current().shortDateFormat);
        picker->setDateRange(QDate(1940, 1, 1), QDate(2050, 1, 1));
        picker->setToolTip(dateHint);
        picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance(QStringLiteral("88/88/8888")) + 40);
        picker->setAccessibleName(dateHint);
        return picker;
    };
    const auto dateText = [&](const QString &name, const QString &caption) {
        auto *field = new QLineEdit(this);
        field->setObjectName(name);
        field->setReadOnly(true);
        field->setToolTip(dateHint);
        field->setAccessibleName(caption);
        field->setFixedWidth(100);
        return field;
    };
    m_fromText = dateText(QStringLiteral("Edit1"), QStringLiteral("Από:"));
    m_toText = dateText(QStringLiteral("Edit2"), QStringLiteral("Μέχρι:"));
    QDateEdit *fromPicker = datePicker(QStringLiteral("DateTimePicker1"));
    QDateEdit *toPicker = datePicker(QStringLiteral("DateTimePicker2"));
    m_days = redLabel(QString(), this);
    m_days->setObjectName(QStringLiteral("Label6"));

    QPushButton *exit = look::exitButton(this);
    exit->setText(QStringLiteral("Έξοδος"));
    exit->setToolTip(QStringLiteral("Έξοδος"));
    exit->setObjectName(QStringLiteral("Button1"));

    auto *layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(calendar, 0, 0, 1, 6);
    layout->addWidget(hint, 1, 0, 1, 6, Qt::AlignLeft);
    auto *easterRow = new QHBoxLayout;
    easterRow->addWidget(redLabel(QStringLiteral("Το Πάσχα για το έτος:"), this));
    easterRow->addWidget(m_year);
    easterRow->addWidget(m_easter);
    easterRow->addStretch();
    layout->addLayout(easterRow, 2, 0, 1, 6);
    layout->addWidget(look::caption(QStringLiteral("Αριθμός ημερών μεταξύ δύο ημερομηνιών"), nullptr, this), 3, 0, 1, 6);
    auto *daysRow = new QHBoxLayout;
    daysRow->addWidget(redLabel(QStringLiteral("Από:"), this));
    daysRow->addWidget(m_fromText);
    daysRow->addWidget(fromPicker);
    daysRow->addSpacing(12);
    daysRow->addWidget(redLabel(QStringLiteral("Μέχρι:"), this));
    daysRow->addWidget(m_toText);
    daysRow->addWidget(toPicker);
    daysRow->addSpacing(12);
    daysRow->addWidget(m_days);
    daysRow->addStretch();
    layout->addLayout(daysRow, 4, 0, 1, 6);
    layout->addWidget(exit, 5, 5, Qt::AlignRight);

    // Both dates start as the same moment, so the days result starts empty.
    const QDateTime now = QDateTime::currentDateTime();
    calendar->setSelectedDate(now.date());
    m_from = m_to = now;
    fromPicker->setDate(now.date());
    toPicker->setDate(now.date());
    m_year->setValue(now.date().year());
    easterChanged();
    datesChanged();

    connect(year->editor(), &QLineEdit::textChanged, this, &CalendarUtilitiesWindow::easterChanged);
    connect(year, &QSpinBox::valueChanged, this, &CalendarUtilitiesWindow::easterChanged);
    connect(fromPicker, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_from.setDate(date); // the time of day stays the one it got at opening
        datesChanged();
    });
    connect(toPicker, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_to.setDate(date);
        datesChanged();
    });
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
