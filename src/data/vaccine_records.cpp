#include "data/vaccine_records.h"

#include "data/connection.h"
#include "data/jet_dialect.h"
#include "data/regional.h"
#include "data/schema.h"

#include <algorithm>
#include <QHash>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace vaccine_records {

using namespace clinical;

const std::vector<ColumnDose> &columnDoses()
{
    // The vaccines of the child's row by their columns' order, and the series each records.
    static const std::vector<ColumnDose> all = [] {
        static const char *const series[] = {"HEPB", "HIB", "IPV", "DTAP", "HEPA", "VAR", "PCV", "MMR",
                                             "RV", "MENC", "", "BCG", "HPV", "PPSV23", "FLU"};
        std::vector<ColumnDose> doses;
        const auto &vaccines = schema::vaccines();
        for (size_t v = 0; v < vaccines.size(); ++v) {
            const QStringList columns = vaccines[v].doses();
            for (int d = 0; d < columns.size(); ++d)
                if (*series[v])
                    doses.push_back({columns[d], QString::fromLatin1(series[v]), d + 1});
        }
        return doses;
    }();
    return all;
}

qint64 addSchedule(Connection &connection, const Schedule &schedule, bool inForce)
{
    // One version stands or falls whole; within a schema step the step's transaction holds it.
    std::optional<Transaction> transaction;
    if (!connection.inTransaction())
        transaction.emplace(connection);
    if (inForce)
        connection.execute(QStringLiteral("UPDATE EMBOLIA_PROGRAMMATA SET SE_ISXY = 0"));
    // The table numbers its rows: the row id is the new version's ID on either engine.
    const qint64 id = connection.insert(QStringLiteral("INSERT INTO EMBOLIA_PROGRAMMATA(ONOMA, EGKYKLIOS, HMEROMHNIA, SE_ISXY) "
                                                       "VALUES(?, ?, ?, ?)"),
                                        {schedule.name, schedule.circular,
                                         schedule.date.isValid() ? QVariant(schedule.date.toString(Qt::ISODate)) : QVariant(),
                                         inForce ? 1 : 0});
    for (const DoseRule &rule : schedule.doses) {
        QString interval, from;
        if (!rule.intervals.empty()) {
            interval = rule.intervals.front().minimum.text();
            from = rule.intervals.front().from;
        }
        connection.execute(QStringLiteral("INSERT INTO EMBOLIA_DOSEIS(PROGRAMMA, SEIRA, DOSH, ONOMA, SYNISTATAI_APO, "
                                          "SYNISTATAI_EWS, ELAXISTH_HLIKIA, ELAXISTO_DIASTHMA, DIASTHMA_APO, "
                                          "MEGISTH_HLIKIA, SELIDA, SHMEIWSEIS) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                           {id, rule.series, rule.dose, rule.name, rule.recommendedFrom.text(),
                            rule.recommendedTo.text(), rule.minimumAge.text(), interval, from,
                            rule.maximumAge.text(), rule.page, rule.notes.left(schema::TextLength)});
    }
    for (const QStringList &row : schedule.ruleRows) {
        QVariantList values{id};
        for (int i = 0; i < 6; ++i)
            values << (i < row.size() ? row[i].trimmed().left(schema::TextLength) : QString());
        connection.execute(QStringLiteral("INSERT INTO EMBOLIA_KANONES(PROGRAMMA, SEIRA, KANONAS, DOSH, APO_DOSH, "
                                          "TIMH, SHMEIWSEIS) VALUES(?, ?, ?, ?, ?, ?, ?)"),
                           values);
    }
    for (const Product &product : schedule.products)
        connection.execute(QStringLiteral("INSERT INTO EMBOLIA_SKEYASMATA(PROGRAMMA, ONOMA, SEIRES) VALUES(?, ?, ?)"),
                           {id, product.name, product.series.join(QLatin1Char(' '))});
    if (transaction)
        transaction->commit();
    return id;
}

namespace {

std::vector<QStringList> rows(Connection &connection, const QString &sql, const QVariantList &values)
{
    std::vector<QStringList> all;
    Statement statement(connection, jet::translate(sql, connection.engine()));
    statement.bind(values);
    while (statement.step()) {
        QStringList row;
        for (int c = 0; c < statement.columnCount(); ++c)
            row << statement.value(c).toString();
        all.push_back(row);
    }
    return all;
}

std::vector<QStringList> scheduleRules(Connection &connection, qint64 version)
{
    return rows(connection,
                QStringLiteral("SELECT SEIRA, KANONAS, DOSH, APO_DOSH, TIMH, SHMEIWSEIS FROM EMBOLIA_KANONES "
                               "WHERE PROGRAMMA = ? ORDER BY ") +
                    connection.rowIdColumn(),
                {version});
}

std::vector<QStringList> scheduleProducts(Connection &connection, qint64 version)
{
    return rows(connection,
                QStringLiteral("SELECT ONOMA, SEIRES FROM EMBOLIA_SKEYASMATA WHERE PROGRAMMA = ? ORDER BY ") + connection.rowIdColumn(),
                {version});
}

} // namespace

Schedule scheduleInForce(Connection &connection)
{
    const QVariant id = connection.scalar(
        QStringLiteral("SELECT ID FROM EMBOLIA_PROGRAMMATA ORDER BY SE_ISXY DESC, HMEROMHNIA DESC, ID DESC LIMIT 1"));
    return id.isValid() ? readSchedule(connection, id.toLongLong()) : shippedSchedule();
}

Schedule readSchedule(Connection &connection, qint64 version)
{
    Schedule schedule = scheduleFromRows(
        rows(connection,
             QStringLiteral("SELECT SEIRA, DOSH, ONOMA, SYNISTATAI_APO, SYNISTATAI_EWS, ELAXISTH_HLIKIA, "
                            "ELAXISTO_DIASTHMA, DIASTHMA_APO, MEGISTH_HLIKIA, SELIDA, SHMEIWSEIS FROM EMBOLIA_DOSEIS "
                            "WHERE PROGRAMMA = ? ORDER BY ") +
                 connection.rowIdColumn(),
             {version}),
        scheduleRules(connection, version), scheduleProducts(connection, version));
    const std::vector<QStringList> head =
        rows(connection, QStringLiteral("SELECT ONOMA, EGKYKLIOS, HMEROMHNIA FROM EMBOLIA_PROGRAMMATA WHERE ID = ?"),
             {version});
    if (!head.empty()) {
        schedule.name = head.front()[0];
        schedule.circular = head.front()[1];
        schedule.date = QDate::fromString(head.front()[2].left(10), Qt::ISODate);
    }
    return schedule;
}

std::vector<ChildDoses> readDoses(Connection &connection, const Schedule &schedule, qint64 childId)
{
    const std::vector<ColumnDose> &columns = columnDoses();
    QString select = QStringLiteral("SELECT ID, EPWNYMO, ONOMA, HMEROMHNIA_GENNHSEWS, ANEMEBLOGIA");
    for (const ColumnDose &column : columns)
        select += QStringLiteral(", [%1]").arg(column.column);
    select += QStringLiteral(" FROM STOIXEIA_PAIDIOY");
    QVariantList values;
    if (childId) {
        select += QStringLiteral(" WHERE ID = ?");
        values << childId;
    }
    select += QStringLiteral(" ORDER BY ID");

    std::vector<ChildDoses> children;
    std::unordered_map<qint64, size_t> byId;
    {
        Statement statement(connection, jet::translate(select, connection.engine()));
        statement.bind(values);
        while (statement.step()) {
            ChildDoses child;
            child.childId = statement.value(0).toLongLong();
            child.surname = statement.value(1).toString();
            child.name = statement.value(2).toString();
            child.birth = QDate::fromString(statement.value(3).toString(), Qt::ISODate);
            if (statement.value(4).toString() == QStringLiteral("ΝΑΙ"))
                child.notGiven[QStringLiteral("VAR")] = Reason::Immune;
            for (size_t c = 0; c < columns.size(); ++c) {
                const QDate date = QDate::fromString(statement.value(int(c) + 5).toString(), Qt::ISODate);
                if (date.isValid())
                    child.given.push_back({columns[c].series, date, int(c)});
            }
            byId.emplace(child.childId, children.size());
            children.push_back(std::move(child));
        }
    }

    QString extra = QStringLiteral("SELECT ID, SEIRA, HMEROMHNIA, SKEYASMA, MH_XORHGHSH, %1 FROM EMBOLIA_EPIPLEON")
                        .arg(connection.rowIdColumn());
    if (childId)
        extra += QStringLiteral(" WHERE ID = ?");
    Statement statement(connection, jet::translate(extra, connection.engine()));
    statement.bind(values);
    while (statement.step()) {
        const auto found = byId.find(statement.value(0).toLongLong());
        if (found == byId.end())
            continue;
        ChildDoses &child = children[found->second];
        const QString series = statement.value(1).toString();
        const QString reason = statement.value(4).toString();
        if (reason == ImmuneReason)
            child.notGiven[series] = Reason::Immune;
        else if (reason == ContraindicatedReason)
            child.notGiven[series] = Reason::Contraindicated;
        else if (reason == RefusedReason)
            child.notGiven.emplace(series, Reason::Refused);
        // A dose not given is no dose, whatever day the decision was noted on.
        const QDate date = QDate::fromString(statement.value(2).toString(), Qt::ISODate);
        if (!date.isValid() || !reason.isEmpty())
            continue;
        // A combination product counts for each series it covers.
        const Product *product = schedule.product(statement.value(3).toString());
        const int source = -1 - statement.value(5).toInt();
        for (const QString &covered : product ? product->series : QStringList{series})
            child.given.push_back({covered, date, source});
    }
    return children;
}

QString seriesName(const Schedule &schedule, const QString &series)
{
    const DoseRule *first = schedule.rule(series, 1);
    return first && !first->name.isEmpty() ? first->name : series;
}

QString reasonInWords(const Schedule &schedule, const SeriesStatus &status)
{
    const auto atBirth = [](const Age &age) { return age.set && !age.years && !age.months && !age.days; };
    QStringList words;
    const DoseRule *next = status.nextDose ? schedule.rule(status.series, status.nextDose) : nullptr;
    switch (status.state) {
    case State::Complete: {
        const auto valid = std::count_if(status.doses.begin(), status.doses.end(),
                                         [](const DoseVerdict &dose) { return dose.validity == Validity::Valid; });
        words << (schedule.kind(status.series) == SeriesKind::Seasonal
                      ? QStringLiteral("Έγινε τη φετινή περίοδο")
                  : valid == 1 ? QStringLiteral("1 έγκυρη δόση")
                               : QStringLiteral("%1 έγκυρες δόσεις").arg(valid));
        break;
    }
    case State::Immune: words << QStringLiteral("Ανοσία μετά τη νόσο"); break;
    case State::Contraindicated: words << QStringLiteral("Αντένδειξη"); break;
    case State::RiskGroupsOnly: words << QStringLiteral("Μόνο για ομάδες κινδύνου"); break;
    case State::NoLongerGiven:
        if (next)
            words << QStringLiteral("Η δόση %1 δεν γίνεται μετά την ηλικία %2")
                         .arg(next->dose)
                         .arg(ageInWords(next->maximumAge.set ? next->maximumAge : next->recommendedTo));
        break;
    default:
        if (next && schedule.kind(status.series) == SeriesKind::Seasonal)
            words << QStringLiteral("Μία δόση κάθε περίοδο, από %1 έως %2")
                         .arg(ageInWords(next->minimumAge), ageInWords(next->recommendedTo));
        else if (next && next->recommendedFrom.text() == next->recommendedTo.text())
            words << (atBirth(next->recommendedFrom)
                          ? QStringLiteral("Η δόση %1 συνιστάται στη γέννηση").arg(next->dose)
                          : QStringLiteral("Η δόση %1 συνιστάται σε ηλικία %2").arg(next->dose).arg(ageInWords(next->recommendedFrom)));
        else if (next && atBirth(next->recommendedFrom))
            words << QStringLiteral("Η δόση %1 συνιστάται από τη γέννηση έως ηλικία %2")
                         .arg(next->dose)
                         .arg(ageInWords(next->recommendedTo));
        else if (next)
            words << QStringLiteral("Η δόση %1 συνιστάται σε ηλικία %2 έως %3")
                         .arg(next->dose)
                         .arg(ageInWords(next->recommendedFrom), ageInWords(next->recommendedTo));
    }
    for (const DoseVerdict &dose : status.doses)
        if (dose.validity == Validity::TooEarly || dose.validity == Validity::TooLate)
            words << QStringLiteral("η δόση της %1: %2")
                         .arg(Regional::current().formatDate(dose.dose.date), validityText(dose.validity));
    if (status.refused)
        words << QStringLiteral("άρνηση");
    return words.join(QStringLiteral("· "));
}

DueCount dueCount(Connection &connection, const Schedule &schedule, qint64 childId, const QDate &on)
{
    DueCount count;
    const std::vector<ChildDoses> read = readDoses(connection, schedule, childId);
    if (read.empty() || !read.front().birth.isValid())
        return count;
    for (const SeriesStatus &status : evaluate(schedule, read.front().birth, read.front().given, on, read.front().notGiven)) {
        count.due += status.state == State::Due;
        count.overdue += status.state == State::Overdue;
    }
    return count;
}

void forEachDueLine(Connection &connection, const Schedule &schedule, const QDate &on,
                    const std::function<void(DueLine &&line)> &take)
{
    // One snapshot for both reads; a caller writing the lines holds its own transaction already.
    std::optional<Transaction> reading;
    if (!connection.inTransaction())
        reading.emplace(connection, Transaction::Kind::Read);
    for (const ChildDoses &child : readDoses(connection, schedule)) {
        if (!child.birth.isValid())
            continue;
        for (SeriesStatus &status : evaluate(schedule, child.birth, child.given, on, child.notGiven)) {
            switch (status.state) {
            case State::Complete:
            case State::Immune:
            case State::Contraindicated:
            case State::RiskGroupsOnly:
                continue;
            default:
                status.doses = {}; // the list names the next dose; the verdicts stay with the child's window
                take({child.childId, child.surname, child.name, std::move(status)});
            }
        }
    }
}

std::vector<DueLine> dueList(Connection &connection, const QDate &on)
{
    std::vector<DueLine> lines;
    forEachDueLine(connection, scheduleInForce(connection), on, [&lines](DueLine &&line) { lines.push_back(std::move(line)); });
    return lines;
}

int writeDueBetween(Connection &connection, const QDate &from, const QDate &to)
{
    const Schedule schedule = scheduleInForce(connection);
    Transaction transaction(connection);
    connection.execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1(ID INTEGER, EPWNYMO TEXT COLLATE %2, "
                                      "ONOMA TEXT COLLATE %2, THLEFWNO TEXT, SEIRA TEXT COLLATE %2, DOSH INTEGER, "
                                      "KATASTASH TEXT COLLATE %2, APO DATE, OFEILETAI DATE, KATHYSTEREI DATE, EWS DATE)")
                           .arg(DueTable, QLatin1String(jet::GreekCollation)));
    connection.execute(QStringLiteral("DELETE FROM ") + DueTable);
    const auto iso = [](const QDate &date) { return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant(); };
    int written = 0;
    Statement insert(connection, QStringLiteral("INSERT INTO %1(ID, EPWNYMO, ONOMA, SEIRA, DOSH, KATASTASH, APO, "
                                                "OFEILETAI, KATHYSTEREI, EWS) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                     .arg(DueTable));
    forEachDueLine(connection, schedule, from, [&](DueLine &&line) {
        const SeriesStatus &status = line.status;
        if (status.state == State::NoLongerGiven || !status.due.isValid() || status.due > to)
            return;
        insert.bind({line.childId, line.surname, line.name, seriesName(schedule, status.series), status.nextDose,
                     stateText(status.state), iso(status.earliest), iso(status.due), iso(status.overdue),
                     iso(status.latest)});
        insert.step();
        insert.reset();
        ++written;
    });
    connection.execute(QStringLiteral("UPDATE %1 SET THLEFWNO = (SELECT THLEFWNO_1 FROM STOIXEIA_PAIDIOY "
                                      "WHERE STOIXEIA_PAIDIOY.ID = %1.ID)")
                           .arg(DueTable));
    transaction.commit();
    return written;
}

std::vector<CertificateDose> certificateDoses(Connection &connection, qint64 childId)
{
    const Schedule schedule = scheduleInForce(connection);
    const QStringList order = schedule.series();
    struct Placed {
        qsizetype place;
        CertificateDose dose;
    };
    std::vector<Placed> placed;
    // A series the schedule knows goes by its name and place there; one it does not (BCG, the old
    // polysaccharide vaccines) by the record's caption, after them.
    const auto place = [&](const QString &series, const QString &caption, CertificateDose dose) {
        const qsizetype known = series.isEmpty() ? -1 : order.indexOf(series);
        dose.vaccine = known >= 0 ? seriesName(schedule, series) : caption;
        placed.push_back({known >= 0 ? known : order.size(), std::move(dose)});
    };

    QHash<QString, QString> seriesOfColumn;
    for (const ColumnDose &column : columnDoses())
        seriesOfColumn.insert(column.column, column.series);
    QStringList named;
    for (const schema::Vaccine &vaccine : schema::vaccines())
        for (const QString &column : vaccine.doses())
            named << QStringLiteral("[%1]").arg(column);
    {
        Statement statement(connection, jet::translate(QStringLiteral("SELECT ") + named.join(QStringLiteral(", ")) +
                                                           QStringLiteral(" FROM STOIXEIA_PAIDIOY WHERE ID = ?"),
                                                       connection.engine()));
        statement.bind({childId});
        if (statement.step()) {
            int c = 0;
            for (const schema::Vaccine &vaccine : schema::vaccines()) {
                const QStringList doses = vaccine.doses();
                for (int d = 0; d < doses.size(); ++d, ++c) {
                    const QDate date = QDate::fromString(statement.value(c).toString().left(10), Qt::ISODate);
                    if (!date.isValid())
                        continue;
                    place(seriesOfColumn.value(doses[d]), QString::fromUtf8(vaccine.caption), {{}, d + 1, date, {}, false});
                }
            }
        }
    }

    Statement extra(connection, jet::translate(QStringLiteral("SELECT SEIRA, DOSH, HMEROMHNIA, SKEYASMA, ALLOU, MH_XORHGHSH "
                                                              "FROM EMBOLIA_EPIPLEON WHERE ID = ?"),
                                               connection.engine()));
    extra.bind({childId});
    while (extra.step()) {
        const QDate date = QDate::fromString(extra.value(2).toString().left(10), Qt::ISODate);
        if (!date.isValid() || !extra.value(5).toString().isEmpty())
            continue;
        const QString series = extra.value(0).toString();
        place(series, series, {{}, extra.value(1).toInt(), date, extra.value(3).toString(), extra.value(4).toBool()});
    }

    std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return std::tie(a.place, a.dose.vaccine, a.dose.date, a.dose.dose) <
               std::tie(b.place, b.dose.vaccine, b.dose.date, b.dose.dose);
    });
    std::vector<CertificateDose> doses;
    for (Placed &one : placed)
        doses.push_back(std::move(one.dose));
    return doses;
}

int writeCertificate(Connection &connection, qint64 childId)
{
    const std::vector<CertificateDose> doses = certificateDoses(connection, childId);
    Transaction transaction(connection);
    connection.execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1(SEIRA_AR INTEGER, EMBOLIO TEXT, DOSH INTEGER, "
                                      "HMEROMHNIA DATE, SKEYASMA TEXT, SHMEIWSH TEXT)")
                           .arg(CertificateTable));
    connection.execute(QStringLiteral("DELETE FROM ") + CertificateTable);
    Statement insert(connection, QStringLiteral("INSERT INTO %1(SEIRA_AR, EMBOLIO, DOSH, HMEROMHNIA, SKEYASMA, SHMEIWSH) "
                                                "VALUES(?, ?, ?, ?, ?, ?)")
                                     .arg(CertificateTable));
    int written = 0;
    for (const CertificateDose &dose : doses) {
        insert.bind({++written, dose.vaccine, dose.dose ? QVariant(dose.dose) : QVariant(),
                     dose.date.toString(Qt::ISODate), dose.product,
                     dose.elsewhere ? QStringLiteral("Έγινε αλλού") : QString()});
        insert.step();
        insert.reset();
    }
    transaction.commit();
    return written;
}

} // namespace vaccine_records
