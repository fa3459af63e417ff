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

QStringList serverSqlFunctions()
{
    QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS velmora_who_tables (name text, sex integer, first_key double "
                       "precision NOT NULL, step double precision NOT NULL, row_count integer NOT NULL, "
                       "PRIMARY KEY (name, sex))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS velmora_who_lms (name text, sex integer, position integer, l double "
                       "precision NOT NULL, m double precision NOT NULL, s double precision NOT NULL, "
                       "PRIMARY KEY (name, sex, position))"),
        QStringLiteral("TRUNCATE velmora_who_tables, velmora_who_lms"),
    };
    // Every double written with 17 digits reads back as the very same double.
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    QStringList tables;
    for (const ReferenceTable &table : referenceTables()) {
        for (int sex = 0; sex < 2; ++sex) {
            const std::vector<Lms> &rows = *table.rows[sex];
            tables << QStringLiteral("('%1',%2,%3,%4,%5)")
                          .arg(QLatin1String(table.name))
                          .arg(sex)
                          .arg(number(table.firstKey), number(table.step))
                          .arg(rows.size());
            QStringList values;
            for (size_t i = 0; i < rows.size(); ++i) {
                values << QStringLiteral("('%1',%2,%3,%4,%5,%6)")
                              .arg(QLatin1String(table.name))
                              .arg(sex)
                              .arg(i)
                              .arg(number(rows[i].l), number(rows[i].m), number(rows[i].s));
                if (values.size() == 1000 || i + 1 == rows.size()) {
                    statements << QStringLiteral("INSERT INTO velmora_who_lms VALUES ") + values.join(QLatin1Char(','));
                    values.clear();
                }
            }
        }
    }
    statements << QStringLiteral("INSERT INTO velmora_who_tables VALUES ") + tables.join(QLatin1Char(','));
    // The L, M and S at a key, interpolated between two rows; NULL beyond the table.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_at(wanted text, sex_index integer, key double precision)
RETURNS double precision[] LANGUAGE plpgsql STABLE STRICT AS $$
DECLARE
  tolerance constant double precision := 1e-6;
  t record;
  place double precision;
  low integer;
  fraction double precision;
  a record;
  b record;
BEGIN
  SELECT first_key, step, row_count INTO t FROM velmora_who_tables WHERE name = wanted AND sex = sex_index;
  IF NOT FOUND OR t.row_count = 0 THEN
    RETURN NULL;
  END IF;
  place := (key - t.first_key) / t.step;
  IF place < -tolerance OR place > (t.row_count - 1) + tolerance THEN
    RETURN NULL;
  END IF;
  low := least(greatest(floor(place + tolerance), 0), t.row_count - 1);
  fraction := place - low;
  SELECT l, m, s INTO a FROM velmora_who_lms WHERE name = wanted AND sex = sex_index AND position = low;
  IF fraction <= tolerance OR low + 1 = t.row_count THEN
    RETURN ARRAY[a.l, a.m, a.s];
  END IF;
  SELECT l, m, s INTO b FROM velmora_who_lms WHERE name = wanted AND sex = sex_index AND position = low + 1;
  RETURN ARRAY[a.l + fraction * (b.l - a.l), a.m + fraction * (b.m - a.m), a.s + fraction * (b.s - a.s)];
END $$)");
    // The reference row for the age (and the length or height that weight is read at).
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_reference(indicator text, sex_index integer,
  age_days integer, length_cm double precision) RETURNS double precision[] LANGUAGE plpgsql STABLE AS $$
BEGIN
  IF age_days < 0 THEN
    RETURN NULL;
  END IF;
  IF indicator = 'wflh' THEN
    IF age_days > 1856 THEN
      RETURN NULL;
    END IF;
    RETURN velmora_who_at(CASE WHEN age_days <= 730 THEN 'wfl' ELSE 'wfh' END, sex_index, length_cm);
  END IF;
  IF age_days <= 1856 THEN
    RETURN velmora_who_at(indicator, sex_index, age_days);
  END IF;
  RETURN velmora_who_at(CASE indicator WHEN 'wfa' THEN 'wfa2007' WHEN 'lhfa' THEN 'hfa2007'
                                       WHEN 'bmifa' THEN 'bmifa2007' END, sex_index, age_days / 30.4375::double precision);
END $$)");
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_lms_z(lms double precision[], y double precision)
RETURNS double precision LANGUAGE sql IMMUTABLE STRICT AS $$
SELECT CASE WHEN abs(lms[1]) < 1e-12 THEN ln(y / lms[2]) / lms[3]
            ELSE (power(y / lms[2], lms[1]) - 1) / (lms[1] * lms[3]) END $$)");
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_lms_value(lms double precision[], z double precision)
RETURNS double precision LANGUAGE sql IMMUTABLE STRICT AS $$
SELECT CASE WHEN abs(lms[1]) < 1e-12 THEN lms[2] * exp(lms[3] * z)
            ELSE lms[2] * power(1 + lms[1] * lms[3] * z, 1 / lms[1]) END $$)");
    // zScore: the value (for BMI a weight with the height), restricted beyond ±3 SD for the
    // weights and BMI.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_z(indicator_code text, sex_text text,
  birth date, measured date, value double precision, height double precision, has_height boolean)
RETURNS double precision LANGUAGE plpgsql STABLE AS $$
DECLARE
  indicator text := lower(btrim(indicator_code));
  sex_index integer := CASE upper(btrim(sex_text)) WHEN 'ΑΡΡΕΝ' THEN 0 WHEN '1' THEN 0
                                                   WHEN 'ΘΗΛΥ' THEN 1 WHEN '2' THEN 1 END;
  y double precision := value;
  lms double precision[];
  z double precision;
  sd3 double precision;
  sd2 double precision;
BEGIN
  IF indicator NOT IN ('wfa', 'lhfa', 'bmifa', 'hcfa', 'wflh') OR sex_index IS NULL OR birth IS NULL
     OR measured IS NULL OR value IS NULL THEN
    RETURN NULL;
  END IF;
  IF NOT has_height OR indicator NOT IN ('bmifa', 'wflh') THEN
    height := NULL;
  ELSIF height IS NULL THEN
    RETURN NULL;
  END IF;
  IF indicator = 'wflh' AND height IS NULL THEN
    RETURN NULL;
  END IF;
  IF value <= 0 OR value = 'Infinity' OR value = 'NaN' OR height <= 0 OR height = 'Infinity' OR height = 'NaN' THEN
    RETURN NULL;
  END IF;
  IF indicator = 'bmifa' AND height IS NOT NULL THEN
    y := value / power(height / 100, 2);
  END IF;
  lms := velmora_who_reference(indicator, sex_index, measured - birth, coalesce(height, 0));
  IF lms IS NULL THEN
    RETURN NULL;
  END IF;
  z := velmora_who_lms_z(lms, y);
  IF indicator NOT IN ('wfa', 'bmifa', 'wflh') OR abs(z) <= 3 THEN
    RETURN z;
  END IF;
  IF z > 3 THEN
    sd3 := velmora_who_lms_value(lms, 3);
    sd2 := velmora_who_lms_value(lms, 2);
    RETURN 3 + (y - sd3) / (sd3 - sd2);
  END IF;
  sd3 := velmora_who_lms_value(lms, -3);
  sd2 := velmora_who_lms_value(lms, -2);
  RETURN -3 + (y - sd3) / (sd2 - sd3);
END $$)");
    // The server (15) has no erfc: a series near zero, a continued fraction further out, both
    // to the last digits a double holds.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_erfc(x double precision)
RETURNS double precision LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  term double precision;
  total double precision;
  n integer;
  fraction double precision;
BEGIN
  IF x < 0 THEN
    RETURN 2 - velmora_erfc(-x);
  END IF;
  IF x < 3 THEN
    term := x;
    total := x;
    n := 0;
    LOOP
      n := n + 1;
      term := -term * x * x / n;
      EXIT WHEN abs(term / (2 * n + 1)) < 1e-17 * abs(total);
      total := total + term / (2 * n + 1);
    END LOOP;
    RETURN 1 - 2 / sqrt(pi()) * total;
  END IF;
  fraction := x;
  FOR n IN REVERSE 80..1 LOOP
    fraction := x + (n / 2.0) / fraction;
  END LOOP;
  RETURN exp(-x * x) / sqrt(pi()) / fraction;
END $$)");
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_centile(z double precision)
RETURNS double precision LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT 50 * velmora_erfc(-z / sqrt(2)) $$)");
    // centileAndZ, "! " first for an implausible value.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_who_reading(indicator_code text, z double precision)
RETURNS text LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  p double precision;
  centile_text text;
  indicator text := lower(btrim(indicator_code));
BEGIN
  IF z IS NULL THEN
    RETURN NULL;
  END IF;
  p := velmora_who_centile(z);
  centile_text := CASE WHEN p < 0.1 THEN '<' || velmora_format(0.1, '0.0')
                       WHEN p > 99.9 THEN '>' || velmora_format(99.9, '0.0')
                       WHEN p < 1 OR p > 99 THEN velmora_format(p, '0.0')
                       ELSE velmora_format(p, '0') END;
  RETURN CASE WHEN (indicator = 'lhfa' AND (z < -6 OR z > 6)) OR (indicator = 'wfa' AND (z < -6 OR z > 5))
                   OR (indicator IN ('bmifa', 'hcfa', 'wflh') AND abs(z) > 5) THEN '! ' ELSE '' END
         || 'P' || centile_text || ' (z ' || velmora_format(z, '0.00') || ')';
END $$)");
    for (const char *height : {"", ", height double precision"}) {
        const QString parameters = QStringLiteral("indicator text, sex text, birth date, measured date, value double "
                                                  "precision%1")
                                       .arg(QLatin1String(height));
        const QString z = QStringLiteral("velmora_who_z(indicator, sex, birth, measured, value, %1)")
                              .arg(QLatin1String(*height ? "height, true" : "NULL, false"));
        statements << QStringLiteral("CREATE OR REPLACE FUNCTION who_z(%1) RETURNS double precision LANGUAGE sql STABLE "
                                     "AS $$ SELECT %2 $$")
                          .arg(parameters, z);
        statements << QStringLiteral("CREATE OR REPLACE FUNCTION who_centile(%1) RETURNS double precision LANGUAGE sql "
                                     "STABLE AS $$ SELECT velmora_who_centile(%2) $$")
                          .arg(parameters, z);
        statements << QStringLiteral("CREATE OR REPLACE FUNCTION who_reading(%1) RETURNS text LANGUAGE sql STABLE "
                                     "AS $$ SELECT velmora_who_reading(indicator, %2) $$")
                          .arg(parameters, z);
    }
    // ageText: whole months (a day the month lacks counts as its last), then the days.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION age_text(birth date, measured date)
RETURNS text LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  months integer;
  days integer;
BEGIN
  IF birth IS NULL OR measured IS NULL OR measured < birth THEN
    RETURN NULL;
  END IF;
  months := (extract(year FROM measured) - extract(year FROM birth)) * 12
            + extract(month FROM measured) - extract(month FROM birth);
  IF CAST(birth + make_interval(months => months) AS date) > measured THEN
    months := months - 1;
  END IF;
  days := measured - CAST(birth + make_interval(months => months) AS date);
  IF months >= 12 THEN
    RETURN CASE WHEN months % 12 = 0 THEN (months / 12) || ' ετ.'
                ELSE (months / 12) || ' ετ. ' || (months % 12) || ' μην.' END;
  END IF;
  IF months > 0 THEN
    RETURN CASE WHEN days = 0 THEN months || ' μην.' ELSE months || ' μην. ' || days || ' ημ.' END;
  END IF;
  RETURN days || ' ημ.';
END $$)");
    return statements;
}

} // namespace who
