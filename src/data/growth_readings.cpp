#include "data/growth_readings.h"

#include "data/regional.h"
#include "data/sql_values.h"

#include <sqlite3.h>

namespace who {

QString centileAndZ(double z)
{
    const Regional &regional = Regional::current();
    const double p = centile(z);
    QString centileText;
    if (p < 0.1)
        centileText = QStringLiteral("<") + regional.formatFixed(0.1, 1);
    else if (p > 99.9)
        centileText = QStringLiteral(">") + regional.formatFixed(99.9, 1);
    else if (p < 1 || p > 99)
        centileText = regional.formatFixed(p, 1);
    else
        centileText = regional.formatFixed(p, 0);
    return QStringLiteral("P%1 (z %2)").arg(centileText, regional.formatFixed(z, 2));
}

QString ageText(const QDate &birth, const QDate &measured)
{
    if (!birth.isValid() || !measured.isValid() || measured < birth)
        return {};
    int months = (measured.year() - birth.year()) * 12 + measured.month() - birth.month();
    if (birth.addMonths(months) > measured)
        --months;
    const qint64 days = birth.addMonths(months).daysTo(measured);
    if (months >= 12)
        return months % 12 == 0 ? QStringLiteral("%1 ετ.").arg(months / 12)
                                : QStringLiteral("%1 ετ. %2 μην.").arg(months / 12).arg(months % 12);
    if (months > 0)
        return days == 0 ? QStringLiteral("%1 μην.").arg(months) : QStringLiteral("%1 μην. %2 ημ.").arg(months).arg(days);
    return QStringLiteral("%1 ημ.").arg(days);
}

namespace {

std::optional<double> numberOf(sqlite3_value *v)
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        return sqlite3_value_double(v);
    if (type == SQLITE_NULL)
        return std::nullopt;
    bool ok = false;
    const double d = sql_values::text(v).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

std::optional<double> zOfArguments(int argc, sqlite3_value **argv)
{
    const std::optional<Indicator> indicator = indicatorFromCode(sql_values::text(argv[0]));
    const std::optional<Sex> sex = sexFromText(sql_values::text(argv[1]));
    const QDate birth = sql_values::date(argv[2]), measured = sql_values::date(argv[3]);
    const std::optional<double> value = numberOf(argv[4]);
    if (!indicator || !sex || !birth.isValid() || !measured.isValid() || !value)
        return std::nullopt;
    // The height counts only where it is an input: BMI from weight and height, and the
    // length or height that weight-for-length/height is read at.
    std::optional<double> height;
    if (argc == 6 && (*indicator == Indicator::BmiForAge || *indicator == Indicator::WeightForLengthHeight)) {
        height = numberOf(argv[5]);
        if (!height)
            return std::nullopt;
    }
    return zScore(*indicator, *sex, ageInDays(birth, measured), *value, height);
}

enum class Result { Z, Centile, Reading };

template <Result result>
void sqlFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const std::optional<double> z = zOfArguments(argc, argv);
    if (!z) {
        sqlite3_result_null(ctx);
    } else if (result == Result::Reading) {
        QString text = centileAndZ(*z);
        if (implausible(*indicatorFromCode(sql_values::text(argv[0])), *z))
            text.prepend(QStringLiteral("! ")); // first, where a narrow column cannot cut it off
        sql_values::resultText(ctx, text);
    } else {
        sqlite3_result_double(ctx, result == Result::Centile ? centile(*z) : *z);
    }
}

void ageTextFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const QString text = ageText(sql_values::date(argv[0]), sql_values::date(argv[1]));
    if (text.isEmpty())
        sqlite3_result_null(ctx);
    else
        sql_values::resultText(ctx, text);
}

} // namespace

void registerSqlFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "AGE_TEXT", 2, flags, nullptr, ageTextFunction, nullptr, nullptr, nullptr);
    for (int argc : {5, 6}) {
        sqlite3_create_function_v2(db, "WHO_Z", argc, flags, nullptr, sqlFunction<Result::Z>, nullptr, nullptr, nullptr);
        sqlite3_create_function_v2(db, "WHO_CENTILE", argc, flags, nullptr, sqlFunction<Result::Centile>, nullptr,
                                   nullptr, nullptr);
        // Not deterministic: the text follows the regional decimal separator.
        sqlite3_create_function_v2(db, "WHO_READING", argc, SQLITE_UTF8, nullptr, sqlFunction<Result::Reading>, nullptr,
                                   nullptr, nullptr);
    }
}

} // namespace who
