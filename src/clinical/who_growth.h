#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

// Growth read against the WHO references: the Child Growth Standards 2006 (by day, birth to
// 1856 days) and the WHO Reference 2007 (by month, 61 to 228 months). One computation serves
// the windows, the printouts and SQL (WHO_Z, WHO_CENTILE), so that all show the same numbers.
namespace who {

enum class Indicator {
    WeightForAge,          // wfa, kg
    LengthHeightForAge,    // lhfa, cm
    BmiForAge,             // bmifa, kg/m²
    HeadForAge,            // hcfa, cm
    WeightForLengthHeight, // wflh, kg at a length (below 731 days) or height (from 731 days)
};

enum class Sex { Boy, Girl };

std::optional<Indicator> indicatorFromCode(QStringView code);
// "ΑΡΡΕΝ" / "ΘΗΛΥ" as the child's record holds them (also WHO's 1 / 2).
std::optional<Sex> sexFromText(QStringView text);

// The Box-Cox parameters of one row of a reference.
struct Lms {
    double l;
    double m;
    double s;
    double z(double y) const;     // ((y/M)^L - 1) / (L·S)
    double value(double z) const; // M·(1 + L·S·z)^(1/L)
};

// The reference row for a child of `ageDays` completed days; for weight-for-length/height the
// row of `lengthCm` in the table that the age selects. None where the reference does not reach.
std::optional<Lms> reference(Indicator indicator, Sex sex, int ageDays, double lengthCm = 0);

// The z-score of `value`. For BMI-for-age, a height makes `value` the weight (BMI computed);
// without one `value` is the BMI. Weight-for-length/height needs the height. None where the
// reference does not cover the age or size, or a value is missing or not positive.
std::optional<double> zScore(Indicator indicator, Sex sex, int ageDays, double value,
                             std::optional<double> heightCm = std::nullopt);

// The reference tables as read above, for a server that computes the same readings: rows at
// firstKey, firstKey + step … (days, months or cm), boys' rows first. The names are the
// indicators' codes for the 2006 tables by age, "wfl"/"wfh" by length/height, and
// "wfa2007", "hfa2007", "bmifa2007" by month.
struct ReferenceTable {
    const char *name;
    double firstKey;
    double step;
    const std::vector<Lms> *rows[2];
};
std::vector<ReferenceTable> referenceTables();

// Age in completed days, as WHO counts it.
int ageInDays(const QDate &birth, const QDate &measured);
// 100·Φ(z).
double centile(double z);
// Beyond WHO's flags for implausible values: a typing error more likely than a child.
bool implausible(Indicator indicator, double z);
} // namespace who
