#include "data/jet_functions.h"

#include "data/greek_text.h"
#include "data/growth_readings.h"
#include "data/jet_dialect.h"
#include "data/regional.h"
#include "data/sql_values.h"

#include <QDate>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

namespace {

using sql_values::resultText;

void datePart(sqlite3_context *ctx, sqlite3_value **argv, int (QDate::*part)() const)
{
    const QDate date = sql_values::date(argv[0]);
    if (date.isValid())
        sqlite3_result_int(ctx, (date.*part)());
    else
        sqlite3_result_null(ctx);
}

QString formatDateWith(const QDate &date, QStringView pattern)
{
    const Regional &regional = Regional::current();
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c)
            ++run;
        if (c == QLatin1Char('d'))
            out += run >= 2 ? QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0')) : QString::number(date.day());
        else if (c == QLatin1Char('m'))
            out += run >= 2 ? QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0')) : QString::number(date.month());
        else if (c == QLatin1Char('y'))
            out += run >= 3 ? QString::number(date.year())
                            : QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
        else if (c == QLatin1Char('/'))
            out += QString(run, regional.dateSeparator);
        else
            out += pattern.mid(i, run);
        i += run;
    }
    return out;
}

void formatFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString pattern = sql_values::text(argv[1]);
    const bool isDatePattern = pattern.contains(QLatin1Char('d'), Qt::CaseInsensitive) ||
                               pattern.contains(QLatin1Char('y'), Qt::CaseInsensitive);
    if (isDatePattern) {
        const QDate date = sql_values::date(value);
        if (date.isValid()) {
            resultText(ctx, formatDateWith(date, pattern));
            return;
        }
    } else if (pattern.contains(QLatin1Char('0')) || pattern.contains(QLatin1Char('#'))) {
        std::optional<double> number;
        const int type = sqlite3_value_type(value);
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            number = sqlite3_value_double(value);
        } else {
            const QString text = sql_values::text(value);
            number = Regional::current().parseNumber(text);
            if (!number) {
                bool ok = false;
                const double d = text.trimmed().toDouble(&ok);
                if (ok)
                    number = d;
            }
        }
        if (number) {
            const qsizetype dot = pattern.indexOf(QLatin1Char('.'));
            const int decimals = dot < 0 ? 0 : int(pattern.size() - dot - 1);
            resultText(ctx, Regional::current().formatFixed(*number, decimals));
            return;
        }
    }
    sqlite3_result_value(ctx, value);
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    char32_t escape = 0;
    if (argc == 3) {
        const std::string_view e = sql_values::utf8(argv[2]);
        if (!e.empty())
            escape = char32_t(uint8_t(e[0]));
    }
    // like(pattern, text): the engine passes the pattern first.
    sqlite3_result_int(ctx, greek::like(sql_values::utf8(argv[0]), sql_values::utf8(argv[1]), escape) ? 1 : 0);
}

// SUM and TOTAL add amounts as the decimals they were written as: 1.005 + 12500.4 + 10 is
// 12511.405, which Format rounds to 12511,41 (added as binary doubles it is 12511.404999...).
// A sum that outgrows 37 digits, or mixes wildly different scales, falls back to binary.
struct DecimalSum {
    __int128 coefficient; // the sum is coefficient x 10^exponent
    int exponent;
    bool any;
    bool inexact;
    bool fractional; // a value that was not an integer: the sum is a real number
    long double binary;
};

constexpr __int128 DecimalLimit = __int128(1000000000000000000LL) * 10000000000000000000ULL; // 10^37

// Multiplies by 10^times unless that passes the limit.
bool scaleUp(__int128 &value, int times)
{
    for (; times > 0; --times) {
        if (value > DecimalLimit / 10 || value < -DecimalLimit / 10)
            return false;
        value *= 10;
    }
    return true;
}

void sumStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *sum = static_cast<DecimalSum *>(sqlite3_aggregate_context(ctx, sizeof(DecimalSum)));
    const int type = sqlite3_value_numeric_type(argv[0]);
    if (!sum || type == SQLITE_NULL)
        return;
    __int128 term = 0;
    int exponent = 0;
    if (type == SQLITE_INTEGER) {
        term = sqlite3_value_int64(argv[0]);
        sum->binary += sqlite3_value_int64(argv[0]);
    } else {
        const double value = sqlite3_value_double(argv[0]);
        sum->binary += value;
        sum->fractional = true;
        if (!std::isfinite(value)) {
            sum->inexact = true;
        } else {
            const Decimal d = decimalOf(value);
            term = std::strtoll(d.digits.c_str(), nullptr, 10);
            if (d.negative)
                term = -term;
            exponent = d.exponent;
        }
    }
    if (!sum->any) {
        sum->any = true;
        sum->coefficient = term;
        sum->exponent = exponent;
        return;
    }
    if (sum->inexact)
        return;
    if (exponent < sum->exponent) {
        if (!scaleUp(sum->coefficient, sum->exponent - exponent))
            sum->inexact = true;
        sum->exponent = exponent;
    } else if (!scaleUp(term, exponent - sum->exponent)) {
        sum->inexact = true;
    }
    sum->coefficient += term;
    if (sum->coefficient > DecimalLimit || sum->coefficient < -DecimalLimit)
        sum->inexact = true;
}

void sumResult(sqlite3_context *ctx, bool total)
{
    auto *sum = static_cast<DecimalSum *>(sqlite3_aggregate_context(ctx, 0));
    if (!sum || !sum->any) {
        if (total)
            sqlite3_result_double(ctx, 0.0);
        else
            sqlite3_result_null(ctx);
        return;
    }
    if (sum->inexact) {
        sqlite3_result_double(ctx, double(sum->binary));
        return;
    }
    const bool whole = !sum->fractional && sum->exponent == 0;
    if (whole && !total && sum->coefficient >= INT64_MIN && sum->coefficient <= INT64_MAX) {
        sqlite3_result_int64(ctx, sqlite3_int64(sum->coefficient));
        return;
    }
    // The nearest double to the exact decimal: it reads back as that decimal.
    __int128 magnitude = sum->coefficient < 0 ? -sum->coefficient : sum->coefficient;
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude > 0);
    const std::string text = (sum->coefficient < 0 ? "-" : "") + digits + "e" + std::to_string(sum->exponent);
    sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
}

int greekCollation(void *, int lenA, const void *a, int lenB, const void *b)
{
    return greek::compareUtf8(std::string_view(static_cast<const char *>(a), size_t(lenA)),
                              std::string_view(static_cast<const char *>(b), size_t(lenB)));
}

} // namespace

void registerJetFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "Format", 2, flags, nullptr, formatFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "DAY", 1, flags, nullptr, [](sqlite3_context *c, int, sqlite3_value **v) { datePart(c, v, &QDate::day); },
        nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "MONTH", 1, flags, nullptr,
        [](sqlite3_context *c, int, sqlite3_value **v) { datePart(c, v, &QDate::month); }, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "YEAR", 1, flags, nullptr, [](sqlite3_context *c, int, sqlite3_value **v) { datePart(c, v, &QDate::year); },
        nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
    for (const char *name : {"sum", "total"})
        sqlite3_create_function_v2(
            db, name, 1, flags, nullptr, nullptr, sumStep,
            name[0] == 't' ? [](sqlite3_context *c) { sumResult(c, true); }
                           : [](sqlite3_context *c) { sumResult(c, false); },
            nullptr);
    sqlite3_create_collation_v2(db, GreekCollation, SQLITE_UTF8, nullptr, greekCollation, nullptr);
    who::registerSqlFunctions(db);
}

} // namespace jet
