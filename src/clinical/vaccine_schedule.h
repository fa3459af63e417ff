#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

// The childhood immunisation schedule as data, and the evaluation of a child's doses against it:
// which doses count, which came too early, and when the next dose of each series falls.
namespace clinical {

// An age or an interval as the schedule writes it: "6w", "4m", "14w6d", "2y". Added to a date
// as years, then months (a day the month lacks moves to the 1st of the next month), then days.
struct Age {
    int years = 0;
    int months = 0;
    int days = 0;
    bool set = false;

    static std::optional<Age> parse(const QString &text); // "" is an unset age; nullopt when unreadable
    QString text() const;
    Age plusMonths(int more) const;
};
QDate addAge(const QDate &from, const Age &age);

// A schedule that cannot stand: the message names the series, dose or product at fault.
class ScheduleError : public std::runtime_error {
public:
    explicit ScheduleError(const QString &message) : std::runtime_error(message.toStdString()), text(message) {}
    QString text;
};

struct Interval {
    Age minimum;
    QString from; // "prev", a dose number of the same series, or "last SERIES"
};

struct DoseRule {
    QString series;
    int dose = 0;
    QString name; // the series' Greek name
    Age recommendedFrom, recommendedTo, minimumAge, maximumAge;
    std::vector<Interval> intervals;
    QString page; // where the circular says it
    QString notes;
};

// How a series is offered: on the calendar for every child, every season, or only to risk groups.
enum class SeriesKind { Routine,
                        Seasonal,
                        RiskGroups };

// The series is complete after `doses` valid doses when dose `atDose` was given at `age` or later
// (catch-up by age at start; a booster given late enough that the next one is not needed).
struct CompleteRule {
    QString series;
    int doses = 0;
    int atDose = 1;
    Age age;
};

struct Product {
    QString name;
    QStringList series;
};

struct Schedule {
    QString name;
    QString circular;
    QDate date;
    std::vector<DoseRule> doses; // by series in their order, dose 1 first
    std::vector<CompleteRule> completeRules;
    std::map<QString, SeriesKind> kinds; // routine unless named
    std::vector<Product> products;
    std::vector<QStringList> ruleRows; // the rules as written, to be kept as they came

    QStringList series() const; // in the order of their first dose
    const DoseRule *rule(const QString &series, int dose) const;
    int doseCount(const QString &series) const;
    SeriesKind kind(const QString &series) const;
    const Product *product(const QString &name) const;
    // Refuses a series without its first dose, a gap in a series' doses, a negative or
    // unreadable age, an interval from a dose that does not come before, a rule for an unknown
    // series, a product without a name or named twice, a product that covers no known series.
    void check() const;
};

// A schedule from its rows, as the shipped files and the practice's tables hold them:
//   doses:    series, dose, name, rec_from, rec_to, min_age, min_interval, interval_from, max_age, page, notes
//   rules:    series, rule (interval | complete | seasonal | risk), dose, at_dose, value, notes
//   products: product, the series it covers separated by blanks
Schedule scheduleFromRows(const std::vector<QStringList> &doses, const std::vector<QStringList> &rules,
                          const std::vector<QStringList> &products);
// The same from CSV texts with a header line each.
Schedule readScheduleCsv(const QString &doses, const QString &rules, const QString &products);

struct GivenDose {
    QString series;
    QDate date;
    int source = -1; // the caller's index of the record, to mark it where it stands
};

enum class Reason { Refused,
                    Contraindicated,
                    Immune };

enum class Validity { Valid,
                      TooEarly,
                      TooLate,
                      Extra };

enum class State { NotYet,
                   MayBeGiven,
                   Due,
                   Overdue,
                   NoLongerGiven,
                   Complete,
                   Immune,
                   Contraindicated,
                   RiskGroupsOnly };

struct DoseVerdict {
    GivenDose dose;
    Validity validity = Validity::Valid;
    int counted = 0; // the dose of the series it counts as, when valid
};

struct SeriesStatus {
    QString series;
    State state = State::NotYet;
    int nextDose = 0; // 0 when nothing is next
    QDate earliest, due, overdue, latest;
    std::vector<DoseVerdict> doses; // in date order
    bool refused = false;
};

// One child at `on`: every series of the schedule with its state and the dates of its next dose.
std::vector<SeriesStatus> evaluate(const Schedule &schedule, const QDate &birth, std::vector<GivenDose> given,
                                   const QDate &on, const std::map<QString, Reason> &notGiven = {});

QString stateText(State state);          // «Οφείλεται», …
QString ageInWords(const Age &age);      // «2 μηνών», «14 εβδομάδων 6 ημερών», «γέννηση»
QString validityText(Validity validity); // «Πρόωρη — δεν μετράει», …
QString stateCode(State state);          // due, overdue, … (the tool's output)

} // namespace clinical

namespace clinical {
// The schedule a new practice starts with: the 2024 circular, as shipped with the program.
Schedule shippedSchedule();
} // namespace clinical
