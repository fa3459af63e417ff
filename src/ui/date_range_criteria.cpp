#include "ui/date_range_criteria.h"

#include "ui/look.h"

#include <QGridLayout>
#include <QLineEdit>

DateRangeCriteria::DateRangeCriteria(QGridLayout *grid, int row, const QString &fromName, const QString &toName,
                                     QWidget *parent, const DateRangeCaptions &captions)
    : m_from(new QLineEdit(parent)), m_to(new QLineEdit(parent))
{
    m_from->setObjectName(fromName);
    m_to->setObjectName(toName);
    look::addField(grid, row, captions.from, m_from, QStringLiteral("*"));
    look::addField(grid, row + 1, captions.to, m_to, QStringLiteral("*"));
}

void DateRangeCriteria::showExamples()
{
    m_from->setToolTip(QStringLiteral("Η ημερομηνία δηλώνεται ΗΗ/ΜΜ/ΕΕΕΕ (π.χ 28/03/2007)"));
    m_to->setToolTip(QStringLiteral("Η ημερομηνία δηλώνεται ΗΗ/ΜΜ/ΕΕΕΕ (π.χ 28/12/2007)"));
}

void DateRangeCriteria::enable(QAbstractButton *button, QLabel *note, const QString &why) const
{
    enableWhileClean(button, {m_from, m_to}, note, why);
}

std::optional<DateRange> DateRangeCriteria::dates() const
{
    return typedDateRange(m_from->text(), m_to->text());
}
