#include "data/server_functions.h"

#include "data/growth_readings.h"
#include "data/jet_dialect.h"

namespace jet {

QStringList serverFunctionStatements()
{
    QStringList statements;
    // The program's own order: letters alone compared first (case, accents and final sigma aside,
    // Latin before Greek), then, the collation being deterministic, the exact characters.
    statements << QStringLiteral("CREATE COLLATION IF NOT EXISTS %1 (provider = icu, locale = 'el-u-kr-latn-grek-ks-level1')")
                      .arg(QLatin1String(ServerGreekCollation));
    // Small letters without their accents (every mark a canonical decomposition adds), final
    // sigma as sigma: the fold of the file's LIKE. Immutable, so that an index on a column's
    // fold serves a LIKE with a fixed start.
    statements << QStringLiteral("CREATE OR REPLACE FUNCTION %1(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT "
                                 "PARALLEL SAFE AS $$ SELECT translate(regexp_replace(normalize(lower($1), NFD), "
                                 "'[\\u0300-\\u036f]', '', 'g'), 'ς', 'σ') $$")
                      .arg(QLatin1String(ServerFoldFunction));
    for (const char *part : {"day", "month", "year"})
        statements << QStringLiteral("CREATE OR REPLACE FUNCTION velmora_%1(date) RETURNS integer LANGUAGE sql "
                                     "IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT CAST(extract(%1 FROM $1) AS integer) $$")
                          .arg(QLatin1String(part));
    // Format(date, pattern): d, dd, m, mm, yy, yyyy and the date separator.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_format(value date, pattern text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  result text := '';
  i integer := 1;
  letter text;
  run integer;
BEGIN
  IF pattern !~* '[dy]' THEN
    RETURN to_char(value, 'YYYY-MM-DD');
  END IF;
  WHILE i <= length(pattern) LOOP
    letter := lower(substr(pattern, i, 1));
    run := 1;
    WHILE i + run <= length(pattern) AND lower(substr(pattern, i + run, 1)) = letter LOOP
      run := run + 1;
    END LOOP;
    result := result || CASE letter
      WHEN 'd' THEN CASE WHEN run >= 2 THEN to_char(value, 'DD') ELSE CAST(extract(day FROM value) AS integer)::text END
      WHEN 'm' THEN CASE WHEN run >= 2 THEN to_char(value, 'MM') ELSE CAST(extract(month FROM value) AS integer)::text END
      WHEN 'y' THEN CASE WHEN run >= 3 THEN CAST(extract(year FROM value) AS integer)::text ELSE to_char(value, 'YY') END
      WHEN '/' THEN repeat('/', run)
      ELSE substr(pattern, i, run)
    END;
    i := i + run;
  END LOOP;
  RETURN result;
END $$)");
    // Format(number, '0.00'): the decimals after the point, rounded half away from zero on the
    // decimal value, with a decimal comma and no grouping.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_format(value numeric, pattern text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
SELECT CASE
  WHEN pattern ~* '[dy]' OR pattern !~ '[0#]' THEN value::text
  ELSE replace(round(value, CASE WHEN strpos(pattern, '.') = 0 THEN 0
                                 ELSE length(pattern) - strpos(pattern, '.') END)::text, '.', ',')
END $$)");
    // A double read as the decimal it was written as (15 digits), as the file's Format does.
    statements << QStringLiteral(
        "CREATE OR REPLACE FUNCTION velmora_format(value double precision, pattern text) RETURNS text "
        "LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT velmora_format(CAST(value AS numeric), pattern) $$");
    // A text that holds a date or a number is formatted as one; any other text stays as it is.
    statements << QStringLiteral(R"(CREATE OR REPLACE FUNCTION velmora_format(value text, pattern text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
BEGIN
  IF pattern ~* '[dy]' THEN
    IF value ~ '^\d{4}-\d{2}-\d{2}' THEN
      RETURN velmora_format(CAST(substr(value, 1, 10) AS date), pattern);
    END IF;
  ELSIF pattern ~ '[0#]' AND value ~ '^\s*[-+]?(\d+([.,]\d*)?|[.,]\d+)([eE][-+]?\d+)?\s*$' THEN
    RETURN velmora_format(CAST(replace(btrim(value), ',', '.') AS numeric), pattern);
  END IF;
  RETURN value;
EXCEPTION WHEN invalid_datetime_format OR datetime_field_overflow OR invalid_text_representation THEN
  RETURN value;
END $$)");
    // TOTAL: the sum of the values, 0 over no rows.
    statements << QStringLiteral(
        "CREATE OR REPLACE AGGREGATE total(numeric) (sfunc = numeric_add, stype = numeric, initcond = '0')");
    // Announces a change once per statement; the server sends it at commit, one notice per
    // table and transaction, and none for a change rolled back.
    statements << QStringLiteral("CREATE OR REPLACE FUNCTION velmora_announce_change() RETURNS trigger LANGUAGE plpgsql "
                                 "AS $$ BEGIN PERFORM pg_notify('%1', upper(TG_TABLE_NAME)); RETURN NULL; END $$")
                      .arg(QLatin1String(ServerChangeChannel));
    statements << who::serverSqlFunctions();
    return statements;
}

} // namespace jet
