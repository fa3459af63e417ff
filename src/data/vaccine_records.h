#pragma once

#include "clinical/vaccine_schedule.h"

#include <QDate>
#include <QString>
#include <functional>
#include <vector>

class Connection;

// The practice's vaccination data read for the schedule: the doses a child's row dates, the
// doses kept beside it, and the schedule version in force.
namespace vaccine_records {

// The series a dose column of the child's row records, and which dose; the polysaccharide Men A+C
// of older schedules belongs to none.
struct ColumnDose {
    QString column;
    QString series;
    int dose;
};
const std::vector<ColumnDose> &columnDoses();

// Reasons a dose was not given, as the doses table keeps them.
inline const QString RefusedReason = QStringLiteral("Άρνηση");
inline const QString ContraindicatedReason = QStringLiteral("Αντένδειξη");
inline const QString ImmuneReason = QStringLiteral("Ανοσία μετά τη νόσο");

// Stores a schedule as a new version (in force, if asked, in place of the one before); returns its ID.
qint64 addSchedule(Connection &connection, const clinical::Schedule &schedule, bool inForce);
// The version in force; the newest when none is marked.
clinical::Schedule scheduleInForce(Connection &connection);
// One stored version; throws clinical::ScheduleError naming what cannot stand in it.
clinical::Schedule readSchedule(Connection &connection, qint64 version);

struct ChildDoses {
    qint64 childId = 0;
    QString surname, name;
    QDate birth;
    std::vector<clinical::GivenDose> given;
    std::map<QString, clinical::Reason> notGiven;
};

// One child's doses, or every child's (childId 0), in the order of their IDs.
std::vector<ChildDoses> readDoses(Connection &connection, const clinical::Schedule &schedule, qint64 childId = 0);

// The series' name as the schedule gives it; its code where it gives none.
QString seriesName(const clinical::Schedule &schedule, const QString &series);
// Why a series stands where it does, for the doctor: the ages of its next dose, the last age it
// is given at, the doses that did not count, a refusal.
QString reasonInWords(const clinical::Schedule &schedule, const clinical::SeriesStatus &status);

// How many series of one child are due, and how many overdue, at `on`.
struct DueCount {
    int due = 0;
    int overdue = 0;
};
DueCount dueCount(Connection &connection, const clinical::Schedule &schedule, qint64 childId, const QDate &on);

struct DueLine {
    qint64 childId;
    QString surname, name;
    clinical::SeriesStatus status;
};
// Every child's series that are still open at `on` (neither complete, nor immune, nor
// contraindicated, nor for risk groups only), by child and the schedule's order of series.
std::vector<DueLine> dueList(Connection &connection, const QDate &on);
// The same lines handed one at a time, for a caller that keeps only some of them.
void forEachDueLine(Connection &connection, const clinical::Schedule &schedule, const QDate &on,
                    const std::function<void(DueLine &&line)> &take);

// The connection's temporary table of the doses due in a period, for a list and its printout.
inline const QString DueTable = QStringLiteral("EMBOLIA_OFEILOMENA");
// Writes into DueTable the series, as they stand at `from`, whose next dose falls due by `to`
// (overdue ones included, those past their last age left out), with the guardian's phone;
// returns the lines written.
int writeDueBetween(Connection &connection, const QDate &from, const QDate &to);

// A dose given, as the child's vaccination certificate lists it.
struct CertificateDose {
    QString vaccine;
    int dose = 0;
    QDate date;
    QString product;
    bool elsewhere = false;
};
// The doses one child was given, from the row's dose columns and the doses kept beside them;
// those marked not given are no doses and are left out. By the schedule's order of series, then date.
std::vector<CertificateDose> certificateDoses(Connection &connection, qint64 childId);

// The connection's temporary table of one child's certificate, for its printout.
inline const QString CertificateTable = QStringLiteral("EMBOLIA_BEBAIWSH");
// Writes certificateDoses() into CertificateTable, numbered in their order; returns the lines written.
int writeCertificate(Connection &connection, qint64 childId);

} // namespace vaccine_records
