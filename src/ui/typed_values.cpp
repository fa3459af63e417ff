#include "ui/typed_values.h"

#include "data/global.h"
#include "data/regional.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <algorithm>

std::optional<double> typedNumber(const QString &text)
{
    // A text holding both marks has a thousands separator, which is refused.
    const Regional &regional = Regional::current();
    const QChar point = QLatin1Char('.');
    if (regional.decimalSeparator != point && text.contains(point)) {
        if (text.contains(regional.decimalSeparator))
            return std::nullopt;
        return regional.parseNumber(QString(text).replace(point, regional.decimalSeparator));
    }
    return regional.parseNumber(text);
}

bool isDecimalMark(QChar c)
{
    return c == Regional::current().decimalSeparator || c == QLatin1Char('.');
}

std::optional<DateRange> typedDateRange(const QString &from, const QString &to)
{
    const Regional &regional = Regional::current();
    const auto first = regional.parseDate(from.trimmed()), last = regional.parseDate(to.trimmed());
    if (!first || !last)
        return std::nullopt;
    DateRange range{from.trimmed(), to.trimmed(), *first, *last};
    date_to_sql(range.from);
    date_to_sql(range.to);
    return range;
}

void enableWhileClean(QAbstractButton *button, const QList<QLineEdit *> &fields)
{
    const auto check = [button, fields] {
        button->setEnabled(std::all_of(fields.begin(), fields.end(),
                                       [](const QLineEdit *field) { return check_chars(field->text().trimmed()); }));
    };
    for (QLineEdit *field : fields)
        QObject::connect(field, &QLineEdit::textChanged, button, check);
}

QString amountOrNought(const QString &sum)
{
    return sum.isEmpty() ? amountText(0) : sum;
}

QString amountText(double amount)
{
    return Regional::current().formatFixed(amount, 2);
}
