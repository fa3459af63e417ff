#include "clinical/vaccine_schedule.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace clinical {

std::optional<Age> Age::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Age{};
    static const QRegularExpression part(QStringLiteral("(\\d+)([ymwd])"));
    Age age;
    age.set = true;
    qsizetype at = 0;
    for (auto match = part.match(trimmed); match.hasMatch() && match.capturedStart() == at;
         match = part.match(trimmed, at)) {
        const int number = match.captured(1).toInt();
        switch (match.captured(2).at(0).unicode()) {
        case 'y': age.years += number; break;
        case 'm': age.months += number; break;
        case 'w': age.days += 7 * number; break;
        default: age.days += number; break;
        }
        at = match.capturedEnd();
    }
    if (at != trimmed.size())
        return std::nullopt;
    return age;
}

QString Age::text() const
{
    if (!set)
        return {};
    QString out;
    if (years)
        out += QString::number(years) + QLatin1Char('y');
    if (months)
        out += QString::number(months) + QLatin1Char('m');
    if (days / 7)
        out += QString::number(days / 7) + QLatin1Char('w');
    if (days % 7)
        out += QString::number(days % 7) + QLatin1Char('d');
    return out.isEmpty() ? QStringLiteral("0d") : out;
}

Age Age::plusMonths(int more) const
{
    Age sum = *this;
    sum.months += more;
    sum.set = true;
    return sum;
}

QDate addAge(const QDate &from, const Age &age)
{
    if (!from.isValid())
        return {};
    int fromYear = 0, fromMonth = 0, fromDay = 0;
    from.getDate(&fromYear, &fromMonth, &fromDay); // once: the due list adds ages to every child's dates
    const int monthIndex = fromMonth - 1 + age.months;
    const int year = fromYear + age.years + monthIndex / 12;
    const int month = monthIndex % 12 + 1;
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int inMonth = month == 2 && leap ? 29 : days[month - 1];
    // A day the month lacks (31 April, 29 February) is the 1st of the next month.
    const QDate date = fromDay <= inMonth ? QDate(year, month, fromDay)
                                          : (month == 12 ? QDate(year + 1, 1, 1) : QDate(year, month + 1, 1));
    return age.days ? date.addDays(age.days) : date;
}

QStringList Schedule::series() const
{
    QStringList names;
    for (const DoseRule &rule : doses)
        if (!names.contains(rule.series))
            names << rule.series;
    return names;
}

const DoseRule *Schedule::rule(const QString &series, int dose) const
{
    for (const DoseRule &rule : doses)
        if (rule.series == series && rule.dose == dose)
            return &rule;
    return nullptr;
}

int Schedule::doseCount(const QString &series) const
{
    return int(std::count_if(doses.begin(), doses.end(), [&](const DoseRule &r) { return r.series == series; }));
}

SeriesKind Schedule::kind(const QString &series) const
{
    const auto found = kinds.find(series);
    return found == kinds.end() ? SeriesKind::Routine : found->second;
}

const Product *Schedule::product(const QString &name) const
{
    for (const Product &product : products)
        if (product.name == name)
            return &product;
    return nullptr;
}

void Schedule::check() const
{
    const QStringList known = series();
    for (const QString &name : known) {
        for (int dose = 1; dose <= doseCount(name); ++dose)
            if (!rule(name, dose))
                throw ScheduleError(dose == 1 ? QStringLiteral("Η σειρά %1 δεν έχει την 1η δόση.").arg(name)
                                              : QStringLiteral("Η σειρά %1 δεν έχει τη δόση %2.").arg(name).arg(dose));
    }
    for (const DoseRule &rule : doses) {
        for (const Interval &interval : rule.intervals) {
            if (interval.from == QLatin1String("prev") && rule.dose == 1)
                throw ScheduleError(QStringLiteral("Η δόση 1 της σειράς %1 δεν έχει προηγούμενη δόση για διάστημα.")
                                        .arg(rule.series));
            bool numbered = false;
            const int from = interval.from.toInt(&numbered);
            if (numbered && (from < 1 || from >= rule.dose))
                throw ScheduleError(QStringLiteral("Η δόση %1 της σειράς %2 μετράει διάστημα από τη δόση %3, που δεν "
                                                   "προηγείται.")
                                        .arg(rule.dose)
                                        .arg(rule.series)
                                        .arg(from));
            if (interval.from.startsWith(QLatin1String("last ")) && !known.contains(interval.from.mid(5)))
                throw ScheduleError(QStringLiteral("Η δόση %1 της σειράς %2 μετράει διάστημα από άγνωστη σειρά %3.")
                                        .arg(rule.dose)
                                        .arg(rule.series, interval.from.mid(5)));
        }
    }
    for (const CompleteRule &complete : completeRules)
        if (!rule(complete.series, complete.atDose) || complete.doses < 1)
            throw ScheduleError(QStringLiteral("Ο κανόνας ολοκλήρωσης της σειράς %1 αναφέρει δόση που δεν υπάρχει.")
                                    .arg(complete.series));
    for (const auto &[name, kind] : kinds)
        if (!known.contains(name))
            throw ScheduleError(QStringLiteral("Κανόνας για άγνωστη σειρά %1.").arg(name));
    for (const Product &product : products) {
        // A dose is recorded by its product's name: a second product of the same name would never count.
        if (product.name.isEmpty())
            throw ScheduleError(QStringLiteral("Σκεύασμα χωρίς όνομα (σειρές %1).").arg(product.series.join(QLatin1Char(' '))));
        if (this->product(product.name) != &product)
            throw ScheduleError(QStringLiteral("Το σκεύασμα «%1» υπάρχει δύο φορές.").arg(product.name));
        if (product.series.isEmpty())
            throw ScheduleError(QStringLiteral("Το σκεύασμα «%1» δεν καλύπτει καμία σειρά.").arg(product.name));
        for (const QString &name : product.series)
            if (!known.contains(name))
                throw ScheduleError(
                    QStringLiteral("Το σκεύασμα «%1» αναφέρει άγνωστη σειρά %2.").arg(product.name, name));
    }
}

namespace {

// One line of a simple CSV file: fields split at commas outside double quotes.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else
                quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// The lines of a CSV text after its header, each with at least `columns` fields.
std::vector<QStringList> csvRows(const QString &text, int columns)
{
    std::vector<QStringList> rows;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        QStringList fields = csvFields(line);
        while (fields.size() < columns)
            fields << QString();
        rows.push_back(fields);
    }
    return rows;
}

Age readAge(const QString &text, const QString &where)
{
    const std::optional<Age> age = Age::parse(text);
    if (!age)
        throw ScheduleError(QStringLiteral("Μη αναγνώσιμη ηλικία ή διάστημα «%1» (%2).").arg(text, where));
    return *age;
}

} // namespace

Schedule scheduleFromRows(const std::vector<QStringList> &doses, const std::vector<QStringList> &rules,
                          const std::vector<QStringList> &products)
{
    const auto field = [](const QStringList &row, int i) { return i < row.size() ? row[i].trimmed() : QString(); };
    Schedule schedule;
    for (const QStringList &f : doses) {
        DoseRule rule;
        rule.series = field(f, 0);
        rule.dose = field(f, 1).toInt();
        const QString where = QStringLiteral("%1 δόση %2").arg(rule.series, field(f, 1));
        if (rule.dose < 1)
            throw ScheduleError(QStringLiteral("Μη αποδεκτός αριθμός δόσης (%1).").arg(where));
        rule.name = field(f, 2);
        rule.recommendedFrom = readAge(field(f, 3), where);
        rule.recommendedTo = readAge(field(f, 4), where);
        rule.minimumAge = readAge(field(f, 5), where);
        if (!field(f, 6).isEmpty())
            rule.intervals.push_back(
                {readAge(field(f, 6), where), field(f, 7).isEmpty() ? QStringLiteral("prev") : field(f, 7)});
        rule.maximumAge = readAge(field(f, 8), where);
        rule.page = field(f, 9);
        rule.notes = f.mid(10).join(QLatin1Char(',')).trimmed();
        schedule.doses.push_back(rule);
    }
    for (const QStringList &f : rules) {
        const QString series = field(f, 0);
        const QString kind = field(f, 1);
        if (kind == QLatin1String("seasonal"))
            schedule.kinds[series] = SeriesKind::Seasonal;
        else if (kind == QLatin1String("risk"))
            schedule.kinds[series] = SeriesKind::RiskGroups;
        else if (kind == QLatin1String("complete"))
            schedule.completeRules.push_back({series, field(f, 2).toInt(), field(f, 3).toInt(), readAge(field(f, 4), series)});
        else if (kind == QLatin1String("interval")) {
            const auto rule = std::find_if(schedule.doses.begin(), schedule.doses.end(), [&](const DoseRule &r) {
                return r.series == series && r.dose == field(f, 2).toInt();
            });
            if (rule == schedule.doses.end())
                throw ScheduleError(
                    QStringLiteral("Κανόνας για δόση που δεν υπάρχει: %1 δόση %2.").arg(series, field(f, 2)));
            rule->intervals.push_back({readAge(field(f, 4), series), field(f, 3)});
        } else
            throw ScheduleError(QStringLiteral("Άγνωστος κανόνας «%1» (%2).").arg(kind, series));
        schedule.ruleRows.push_back(f);
    }
    for (const QStringList &f : products)
        schedule.products.push_back({field(f, 0), field(f, 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)});
    schedule.check();
    return schedule;
}

Schedule readScheduleCsv(const QString &doses, const QString &rules, const QString &products)
{
    return scheduleFromRows(csvRows(doses, 11), csvRows(rules, 6), csvRows(products, 2));
}

namespace {

QDate later(const QDate &a, const QDate &b)
{
    if (!a.isValid())
        return b;
    if (!b.isValid())
        return a;
    return std::max(a, b);
}

// The season of influenza vaccination that `on` falls in: 1 September to 31 August.
QDate seasonStart(const QDate &on)
{
    return QDate(on.month() >= 9 ? on.year() : on.year() - 1, 9, 1);
}

struct SeriesWalk {
    const Schedule &schedule;
    const QDate &birth;
    const std::map<QString, std::vector<QDate>> &validSoFar; // other series, for "last SERIES"

    QDate earliest(const DoseRule &rule, const std::vector<QDate> &valid) const
    {
        QDate earliest = addAge(birth, rule.minimumAge);
        for (const Interval &interval : rule.intervals) {
            QDate reference;
            if (interval.from == QLatin1String("prev")) {
                if (!valid.empty())
                    reference = valid.back();
            } else if (interval.from.startsWith(QLatin1String("last "))) {
                const auto other = validSoFar.find(interval.from.mid(5));
                if (other != validSoFar.end() && !other->second.empty())
                    reference = other->second.back();
            } else {
                const int from = interval.from.toInt();
                if (from >= 1 && from <= int(valid.size()))
                    reference = valid[from - 1];
            }
            if (reference.isValid())
                earliest = later(earliest, addAge(reference, interval.minimum));
        }
        return earliest;
    }

    bool completeEarly(const QString &series, const std::vector<QDate> &valid) const
    {
        for (const CompleteRule &rule : schedule.completeRules)
            if (rule.series == series && int(valid.size()) >= rule.doses && int(valid.size()) >= rule.atDose &&
                valid[rule.atDose - 1] >= addAge(birth, rule.age))
                return true;
        return false;
    }
};

State stateAt(const QDate &on, const SeriesStatus &status)
{
    if (status.latest.isValid() && on > status.latest)
        return State::NoLongerGiven;
    if (on < status.earliest)
        return State::NotYet;
    if (on < status.due)
        return State::MayBeGiven;
    if (on < status.overdue)
        return State::Due;
    return State::Overdue;
}

} // namespace

std::vector<SeriesStatus> evaluate(const Schedule &schedule, const QDate &birth, std::vector<GivenDose> given,
                                   const QDate &on, const std::map<QString, Reason> &notGiven)
{
    std::stable_sort(given.begin(), given.end(), [](const GivenDose &a, const GivenDose &b) { return a.date < b.date; });
    std::map<QString, std::vector<QDate>> validBySeries;
    const SeriesWalk walk{schedule, birth, validBySeries};
    std::vector<SeriesStatus> result;
    for (const QString &series : schedule.series()) {
        SeriesStatus status;
        status.series = series;
        const int count = schedule.doseCount(series);
        const SeriesKind kind = schedule.kind(series);
        std::vector<QDate> valid;
        bool complete = false;
        for (const GivenDose &dose : given) {
            if (dose.series != series || !dose.date.isValid())
                continue;
            DoseVerdict verdict{dose};
            const DoseRule *rule = schedule.rule(series, kind == SeriesKind::Seasonal ? 1 : int(valid.size()) + 1);
            if (kind == SeriesKind::Seasonal) {
                // Every season's dose counts as that season's.
                verdict.validity = dose.date < addAge(birth, rule->minimumAge) ? Validity::TooEarly : Validity::Valid;
                if (verdict.validity == Validity::Valid) {
                    valid.push_back(dose.date);
                    verdict.counted = 1;
                }
            } else if (complete || !rule) {
                verdict.validity = Validity::Extra;
            } else if (dose.date < walk.earliest(*rule, valid)) {
                verdict.validity = Validity::TooEarly;
            } else if (rule->maximumAge.set && dose.date > addAge(birth, rule->maximumAge)) {
                verdict.validity = Validity::TooLate;
            } else {
                valid.push_back(dose.date);
                verdict.counted = int(valid.size());
                complete = int(valid.size()) == count || walk.completeEarly(series, valid);
            }
            status.doses.push_back(verdict);
        }
        validBySeries[series] = valid;

        const auto reason = notGiven.find(series);
        if (reason != notGiven.end() && reason->second == Reason::Immune) {
            status.state = State::Immune;
        } else if (reason != notGiven.end() && reason->second == Reason::Contraindicated) {
            status.state = State::Contraindicated;
        } else if (kind == SeriesKind::RiskGroups) {
            status.state = State::RiskGroupsOnly;
        } else if (kind == SeriesKind::Seasonal) {
            // One dose every season within the ages of the schedule; due from October, the month
            // the season's vaccine is given, overdue a month later.
            const DoseRule &rule = *schedule.rule(series, 1);
            const QDate season = seasonStart(on);
            const QDate lastSeasonDay = season.addYears(1).addDays(-1);
            const bool givenThisSeason = !valid.empty() && valid.back() >= season;
            status.nextDose = 1;
            status.earliest = later(addAge(birth, rule.minimumAge), season);
            status.due = later(status.earliest, QDate(season.year(), 10, 1));
            status.overdue = status.due.addMonths(1);
            status.latest = std::min(lastSeasonDay, addAge(birth, rule.recommendedTo));
            if (givenThisSeason) {
                status.state = State::Complete;
                status.nextDose = 0;
            } else if (on > addAge(birth, rule.recommendedTo)) {
                status.state = State::RiskGroupsOnly;
                status.nextDose = 0;
            } else {
                status.state = stateAt(on, status);
            }
        } else if (complete) {
            status.state = State::Complete;
        } else {
            const DoseRule &rule = *schedule.rule(series, int(valid.size()) + 1);
            status.nextDose = rule.dose;
            status.earliest = walk.earliest(rule, valid);
            const QDate onTime = addAge(birth, rule.recommendedFrom);
            status.due = later(onTime, status.earliest);
            // Overdue a month after the recommended ages end, or a month after a late series
            // allowed the dose at all.
            status.overdue = status.due <= addAge(birth, rule.recommendedTo)
                                 ? addAge(birth, rule.recommendedTo.plusMonths(1))
                                 : addAge(status.due, Age{0, 1, 0, true});
            if (rule.maximumAge.set)
                status.latest = addAge(birth, rule.maximumAge);
            status.state = stateAt(on, status);
        }
        status.refused = reason != notGiven.end() && reason->second == Reason::Refused;
        result.push_back(status);
    }
    return result;
}

QString stateText(State state)
{
    switch (state) {
    case State::NotYet: return QStringLiteral("Όχι ακόμη");
    case State::MayBeGiven: return QStringLiteral("Μπορεί να γίνει");
    case State::Due: return QStringLiteral("Οφείλεται");
    case State::Overdue: return QStringLiteral("Καθυστερεί");
    case State::NoLongerGiven: return QStringLiteral("Δεν γίνεται πια");
    case State::Complete: return QStringLiteral("Ολοκληρώθηκε");
    case State::Immune: return QStringLiteral("Άνοσο");
    case State::Contraindicated: return QStringLiteral("Αντένδειξη");
    case State::RiskGroupsOnly: return QStringLiteral("Μόνο ομάδες κινδύνου");
    }
    return {};
}

QString ageInWords(const Age &age)
{
    if (!age.set)
        return {};
    const auto part = [](int n, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
    };
    QStringList parts;
    if (age.years)
        parts << part(age.years, "έτους", "ετών");
    if (age.months)
        parts << part(age.months, "μηνός", "μηνών");
    if (age.days / 7)
        parts << part(age.days / 7, "εβδομάδας", "εβδομάδων");
    if (age.days % 7)
        parts << part(age.days % 7, "ημέρας", "ημερών");
    return parts.isEmpty() ? QStringLiteral("γέννηση") : parts.join(QLatin1Char(' '));
}

QString stateCode(State state)
{
    switch (state) {
    case State::NotYet: return QStringLiteral("not-yet");
    case State::MayBeGiven: return QStringLiteral("may-be-given");
    case State::Due: return QStringLiteral("due");
    case State::Overdue: return QStringLiteral("overdue");
    case State::NoLongerGiven: return QStringLiteral("no-longer-given");
    case State::Complete: return QStringLiteral("complete");
    case State::Immune: return QStringLiteral("immune");
    case State::Contraindicated: return QStringLiteral("contraindicated");
    case State::RiskGroupsOnly: return QStringLiteral("risk-groups-only");
    }
    return {};
}

QString validityText(Validity validity)
{
    switch (validity) {
    case Validity::Valid: return QStringLiteral("Έγκυρη");
    case Validity::TooEarly: return QStringLiteral("Πρόωρη — δεν μετράει");
    case Validity::TooLate: return QStringLiteral("Μετά την ανώτατη ηλικία — δεν μετράει");
    case Validity::Extra: return QStringLiteral("Επιπλέον δόση");
    }
    return {};
}

} // namespace clinical

namespace clinical {

Schedule shippedSchedule()
{
    const auto read = [](const char *name) {
        QFile file(QStringLiteral(":/vaccination/") + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            throw ScheduleError(QStringLiteral("Λείπει το αρχείο %1 του προγράμματος εμβολιασμών.").arg(QLatin1String(name)));
        return QString::fromUtf8(file.readAll());
    };
    Schedule schedule = readScheduleCsv(read("schedule-gr-2024.csv"), read("rules-gr-2024.csv"), read("products-gr.csv"));
    schedule.name = QStringLiteral("Εθνικό Πρόγραμμα Εμβολιασμών Παιδιών και Εφήβων 2024");
    schedule.circular = QStringLiteral("Δ1α/Γ.Π.οικ.39544 (ΑΔΑ 92ΞΕ465ΦΥΟ-9Σ3)");
    schedule.date = QDate(2024, 7, 25);
    return schedule;
}

} // namespace clinical
