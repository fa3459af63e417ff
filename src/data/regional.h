#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

// The regional settings every parse and display goes through: the practice works with the
// Greek conventions (day/month/year with "/", decimal comma).
struct Regional {
    QString shortDateFormat = QStringLiteral("d/M/yyyy");
    QChar dateSeparator = QLatin1Char('/');
    QChar decimalSeparator = QLatin1Char(',');
    QString longTimeFormat = QStringLiteral("H:mm:ss");

    static const Regional &current();

    // Reads a typed date in the short date order. Blanks around numbers and separators are
    // skipped, two numbers mean day and month of `today`'s year, a one- or two-digit year falls
    // in the hundred years that start fifty years before `today`, and nothing may be left over.
    std::optional<QDate> parseDate(const QString &text, const QDate &today = QDate::currentDate()) const;
    QString formatDate(const QDate &date) const;
    QString formatTime(const QTime &time) const;

    // A typed number with the regional decimal separator (no grouping); nothing else accepted.
    std::optional<double> parseNumber(const QString &text) const;
    // Fixed decimals, rounded half away from zero on the decimal value as written
    // (12.345 -> "12,35", 1.005 -> "1,01"), as a cashier rounds.
    QString formatFixed(double value, int decimals) const;
};

// A double read as the decimal a person wrote: 15 significant digits, all a double carries
// faithfully, so the noise of binary arithmetic (0.1 + 0.2, 120.5 + 28.92) is gone.
// The value is digits x 10^exponent; zero is "0".
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};
Decimal decimalOf(double value);

// A date as the database stores it: "yyyy-mm-dd", perhaps followed by a time of day.
// An invalid QDate for anything else.
QDate storedDate(std::string_view text);
