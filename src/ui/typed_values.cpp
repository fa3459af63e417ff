#include "ui/typed_values.h"

#include "data/global.h"
#include "data/regional.h"
#include "ui/bound_fields.h"

#include <QAbstractButton>
#include <QLabel>
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

QChar refusedCharacter(const QString &text, const QString &allowed)
{
    for (const QChar c : text)
        if (!allowed.contains(c) && !check_chars(QString(c)))
            return c;
    return {};
}

QString characterRefusal(QChar refused, const QString &field, const QString &why)
{
    return QStringLiteral("Ο χαρακτήρας «%1» δεν γίνεται δεκτός στο πεδίο «%2»: %3.").arg(refused).arg(field, why);
}

void enableWhileClean(QAbstractButton *button, const QList<QLineEdit *> &fields, QLabel *note, const QString &why)
{
    const auto check = [button, fields, note, why] {
        QString refusal;
        for (QLineEdit *field : fields)
            if (const QChar c = refusedCharacter(field->text().trimmed()); !c.isNull()) {
                refusal = characterRefusal(c, fieldCaption(field), why);
                break;
            }
        note->setText(refusal);
        button->setEnabled(refusal.isEmpty());
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
