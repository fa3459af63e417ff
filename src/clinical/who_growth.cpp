#include "clinical/who_growth.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace who {

namespace {

// One table of LMS rows per sex at evenly spaced keys (days, months or tenths of a cm).
struct Table {
    double firstKey = 0;
    double step = 1;
    std::array<std::vector<Lms>, 2> rows;

    // Between two keys the L, M and S are interpolated linearly, as WHO's macros do for a
    // length between two tenths and for an age between two whole months.
    std::optional<Lms> at(Sex sex, double key) const
    {
        const std::vector<Lms> &r = rows[size_t(sex)];
        const double position = (key - firstKey) / step;
        constexpr double Tolerance = 1e-6;
        if (r.empty() || position < -Tolerance || position > double(r.size() - 1) + Tolerance)
            return std::nullopt;
        const auto low = size_t(std::clamp(std::floor(position + Tolerance), 0.0, double(r.size() - 1)));
        const double fraction = position - double(low);
        if (fraction <= Tolerance || low + 1 == r.size())
            return r[low];
        const Lms &a = r[low], &b = r[low + 1];
        return Lms{a.l + fraction * (b.l - a.l), a.m + fraction * (b.m - a.m), a.s + fraction * (b.s - a.s)};
    }
};

// Reads one of WHO's tab-separated files as shipped. Files without a sex column hold one sex.
void load(Table &table, const QString &file, std::optional<Sex> onlySex = std::nullopt)
{
    QFile f(QStringLiteral(":/who-growth/") + file);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("The WHO table %s is missing from the program", qPrintable(file));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList header = lines.value(0).trimmed().split(QLatin1Char('\t'));
    const auto column = [&](const char *name) {
        for (qsizetype i = 0; i < header.size(); ++i)
            if (header[i].compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    const int sexColumn = column("sex");
    const int keyColumn = sexColumn < 0 ? 0 : 1;
    const int l = column("l"), m = column("m"), s = column("s");
    std::vector<double> keys;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].trimmed().split(QLatin1Char('\t'));
        const Sex sex = onlySex ? *onlySex : (cells.value(sexColumn) == QLatin1String("1") ? Sex::Boy : Sex::Girl);
        if (keys.size() < 2)
            keys.push_back(cells.value(keyColumn).toDouble());
        table.rows[size_t(sex)].push_back(
            {cells.value(l).toDouble(), cells.value(m).toDouble(), cells.value(s).toDouble()});
    }
    table.firstKey = keys.at(0);
    table.step = keys.at(1) - keys.at(0);
}

struct References {
    // clang-format off
    Table wfa, lhfa, bmifa, hcfa, wfl, wfh;            // 2006, by day / by tenth of a cm
    Table wfa2007, hfa2007, bmifa2007;                 // 2007, by month
    // clang-format on

    References()
    {
        load(wfa, QStringLiteral("weight_for_age.txt"));
        load(lhfa, QStringLiteral("length_for_age.txt"));
        load(bmifa, QStringLiteral("bmi_for_age.txt"));
        load(hcfa, QStringLiteral("head_circumference_for_age.txt"));
        load(wfl, QStringLiteral("weight_for_length.txt"));
        load(wfh, QStringLiteral("weight_for_height.txt"));
        const auto byMonth = [](Table &table, const char *stem) {
            load(table, QStringLiteral("%1_boys_5_19_WHO2007.txt").arg(QLatin1String(stem)), Sex::Boy);
            load(table, QStringLiteral("%1_girls_5_19_WHO2007.txt").arg(QLatin1String(stem)), Sex::Girl);
        };
        byMonth(wfa2007, "wfa");
        byMonth(hfa2007, "hfa");
        byMonth(bmifa2007, "bmi");
    }
};

const References &references()
{
    static const References all;
    return all;
}

constexpr int LastStandardDay = 1856;
constexpr int RecumbentUntilDay = 730; // length lying down below 731 days, standing height from 731
// WHO's 2007 macros take the age in months with its fraction, a month being 30.4375 days
// (365.25 / 12); between two whole months they interpolate L, M and S (see Table::at).
constexpr double DaysPerMonth = 30.4375;

bool restricted(Indicator indicator)
{
    return indicator == Indicator::WeightForAge || indicator == Indicator::BmiForAge ||
           indicator == Indicator::WeightForLengthHeight;
}

} // namespace

double Lms::z(double y) const
{
    if (std::abs(l) < 1e-12)
        return std::log(y / m) / s;
    return (std::pow(y / m, l) - 1) / (l * s);
}

double Lms::value(double zScore) const
{
    if (std::abs(l) < 1e-12)
        return m * std::exp(s * zScore);
    return m * std::pow(1 + l * s * zScore, 1 / l);
}

std::optional<Indicator> indicatorFromCode(QStringView text)
{
    // clang-format off
    static const std::pair<const char *, Indicator> codes[] = {
        {"wfa", Indicator::WeightForAge},      {"lhfa", Indicator::LengthHeightForAge},
        {"bmifa", Indicator::BmiForAge},       {"hcfa", Indicator::HeadForAge},
        {"wflh", Indicator::WeightForLengthHeight},
    };
    // clang-format on
    for (const auto &[name, indicator] : codes)
        if (text.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return indicator;
    return std::nullopt;
}

std::optional<Sex> sexFromText(QStringView text)
{
    const QString t = text.trimmed().toString().toUpper();
    if (t == QStringLiteral("ΑΡΡΕΝ") || t == QLatin1String("1"))
        return Sex::Boy;
    if (t == QStringLiteral("ΘΗΛΥ") || t == QLatin1String("2"))
        return Sex::Girl;
    return std::nullopt;
}

std::optional<Lms> reference(Indicator indicator, Sex sex, int ageDays, double lengthCm)
{
    if (ageDays < 0)
        return std::nullopt;
    const References &r = references();
    if (indicator == Indicator::WeightForLengthHeight) {
        if (ageDays > LastStandardDay)
            return std::nullopt;
        return (ageDays <= RecumbentUntilDay ? r.wfl : r.wfh).at(sex, lengthCm);
    }
    if (ageDays <= LastStandardDay) {
        const Table *table = indicator == Indicator::WeightForAge         ? &r.wfa
                             : indicator == Indicator::LengthHeightForAge ? &r.lhfa
                             : indicator == Indicator::BmiForAge          ? &r.bmifa
                                                                          : &r.hcfa;
        return table->at(sex, ageDays);
    }
    const double months = ageDays / DaysPerMonth;
    switch (indicator) {
    case Indicator::WeightForAge: return r.wfa2007.at(sex, months);
    case Indicator::LengthHeightForAge: return r.hfa2007.at(sex, months);
    case Indicator::BmiForAge: return r.bmifa2007.at(sex, months);
    default: return std::nullopt;
    }
}

std::optional<double> zScore(Indicator indicator, Sex sex, int ageDays, double value, std::optional<double> heightCm)
{
    const bool needsHeight = indicator == Indicator::WeightForLengthHeight;
    if (needsHeight && !heightCm)
        return std::nullopt;
    if (!std::isfinite(value) || value <= 0 || (heightCm && !(std::isfinite(*heightCm) && *heightCm > 0)))
        return std::nullopt;
    const double y = indicator == Indicator::BmiForAge && heightCm ? value / std::pow(*heightCm / 100, 2) : value;
    const std::optional<Lms> lms = reference(indicator, sex, ageDays, heightCm.value_or(0));
    if (!lms)
        return std::nullopt;
    const double z = lms->z(y);
    if (!restricted(indicator) || std::abs(z) <= 3)
        return z;
    // WHO's restricted application of the LMS method: beyond ±3 the distance is measured in
    // units of the spacing between the 2nd and 3rd SD, where the skewed curve would stretch.
    if (z > 3) {
        const double sd3 = lms->value(3), sd2 = lms->value(2);
        return 3 + (y - sd3) / (sd3 - sd2);
    }
    const double sd3neg = lms->value(-3), sd2neg = lms->value(-2);
    return -3 + (y - sd3neg) / (sd2neg - sd3neg);
}

std::vector<ReferenceTable> referenceTables()
{
    const References &r = references();
    const auto entry = [](const char *name, const Table &table) {
        return ReferenceTable{name, table.firstKey, table.step, {&table.rows[0], &table.rows[1]}};
    };
    return {entry("wfa", r.wfa), entry("lhfa", r.lhfa), entry("bmifa", r.bmifa),
            entry("hcfa", r.hcfa), entry("wfl", r.wfl), entry("wfh", r.wfh),
            entry("wfa2007", r.wfa2007), entry("hfa2007", r.hfa2007), entry("bmifa2007", r.bmifa2007)};
}

int ageInDays(const QDate &birth, const QDate &measured)
{
    return int(birth.daysTo(measured));
}

double centile(double z)
{
    return 50 * std::erfc(-z / std::sqrt(2.0));
}

bool implausible(Indicator indicator, double z)
{
    switch (indicator) {
    case Indicator::LengthHeightForAge: return z < -6 || z > 6;
    case Indicator::WeightForAge: return z < -6 || z > 5;
    case Indicator::BmiForAge:
    case Indicator::HeadForAge:
    case Indicator::WeightForLengthHeight: return std::abs(z) > 5;
    }
    return false;
}

} // namespace who
