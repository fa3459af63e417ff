#pragma once

#include <QString>
#include <optional>

// A number as people type it: the regional decimal comma or "." as decimal mark, no grouping.
std::optional<double> typedNumber(const QString &text);
// A key that types the decimal mark: the regional one, or "." (the keypad's key on most layouts).
bool isDecimalMark(QChar c);

// Two typed dates as date literals for a statement; nothing when either is not a date.
struct DateRange {
    QString from;
    QString to;
};
std::optional<DateRange> typedDateRange(const QString &from, const QString &to);

// A sum as the statements format it ("12,50"); a sum over no rows reads nought.
QString amountOrNought(const QString &sum);
// An amount with two decimals and the regional mark.
QString amountText(double amount);
