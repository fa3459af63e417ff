#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

class QAbstractButton;
class QLineEdit;

// A number as people type it: the regional decimal comma or "." as decimal mark, no grouping.
std::optional<double> typedNumber(const QString &text);
// A key that types the decimal mark: the regional one, or "." (the keypad's key on most layouts).
bool isDecimalMark(QChar c);

// Two typed dates, as dates to bind and as date literals for a statement handed on as text;
// nothing when either is not a date.
struct DateRange {
    QString from;
    QString to;
    QDate first;
    QDate last;
};
std::optional<DateRange> typedDateRange(const QString &from, const QString &to);
// From the next edit on, `button` is enabled only while every field's trimmed text passes
// check_chars: a criterion that could change a statement never reaches one.
void enableWhileClean(QAbstractButton *button, const QList<QLineEdit *> &fields);

// A sum as the statements format it ("12,50"); a sum over no rows reads nought.
QString amountOrNought(const QString &sum);
// An amount with two decimals and the regional mark.
QString amountText(double amount);
