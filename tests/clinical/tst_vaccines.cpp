#include "clinical/vaccine_schedule.h"

#include <QTest>

using namespace clinical;

Q_DECLARE_METATYPE(clinical::State)

namespace {

QDate d(const char *text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("d/M/yyyy"));
}

// "DTAP@16/10/2026 HEPB@16/10/2026" → the doses a child was given.
std::vector<GivenDose> doses(const QString &text)
{
    std::vector<GivenDose> given;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char('@'));
        given.push_back({parts[0], QDate::fromString(parts[1], QStringLiteral("d/M/yyyy"))});
    }
    return given;
}

const SeriesStatus &statusOf(const std::vector<SeriesStatus> &all, const QString &series)
{
    for (const SeriesStatus &status : all)
        if (status.series == series)
            return status;
    qFatal("no series %s", qPrintable(series));
}

} // namespace

class VaccineTest : public QObject {
    Q_OBJECT

private slots:
    void ageArithmetic_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QString>("age");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("weeks") << d("15/8/2026") << "4w" << d("12/9/2026");
        QTest::newRow("month") << d("15/8/2026") << "4m" << d("15/12/2026");
        QTest::newRow("weeks and days") << d("1/1/2026") << "14w6d" << d("15/4/2026");
        QTest::newRow("31 January + 1 month") << d("31/1/2025") << "1m" << d("1/3/2025");
        QTest::newRow("29 February + 1 year") << d("29/2/2024") << "1y" << d("1/3/2025");
        QTest::newRow("years then months") << d("31/12/2025") << "1y2m" << d("1/3/2027");
    }
    void ageArithmetic()
    {
        QFETCH(QDate, from);
        QFETCH(QString, age);
        QFETCH(QDate, expected);
        QCOMPARE(addAge(from, *Age::parse(age)), expected);
    }

    // Worked children: birth date and doses, assessed at a date; the expected dates computed by
    // hand from the 2024 circular's Table 1 and catch-up rules.
    void workedChildren_data()
    {
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QDate>("on");
        QTest::addColumn<QString>("series");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("nextDose");
        QTest::addColumn<QDate>("earliest");
        QTest::addColumn<QDate>("due");
        QTest::addColumn<QDate>("overdue");
        QTest::addColumn<QDate>("latest");

        const QString firstDoses = "DTAP@16/10/2026 HEPB@16/10/2026 HIB@16/10/2026 IPV@16/10/2026 "
                                   "PCV@16/10/2026 MENB@16/10/2026 RV@16/10/2026";
        QTest::newRow("infant: hexavalent dose 2 may be given")
            << d("15/8/2026") << firstDoses << d("10/12/2026") << "DTAP" << State::MayBeGiven << 2
            << d("13/11/2026") << d("15/12/2026") << d("15/1/2027") << QDate();
        QTest::newRow("infant: rotavirus dose 2 has a last day")
            << d("15/8/2026") << firstDoses << d("10/12/2026") << "RV" << State::MayBeGiven << 2 << d("13/11/2026")
            << d("15/12/2026") << d("15/1/2027") << d("15/4/2027");
        QTest::newRow("infant: MenB dose 2 eight weeks after dose 1")
            << d("15/8/2026") << firstDoses << d("10/12/2026") << "MENB" << State::NotYet << 2 << d("11/12/2026")
            << d("15/12/2026") << d("15/1/2027") << d("15/8/2027");
        QTest::newRow("infant on time: dose 3 at six months")
            << d("15/8/2026") << firstDoses + " DTAP@15/12/2026" << d("20/12/2026") << "DTAP" << State::NotYet << 3
            << d("12/1/2027") << d("15/2/2027") << d("15/3/2027") << QDate();
        QTest::newRow("infant: MenC allowed from 6 weeks, due at 12 months")
            << d("15/8/2026") << firstDoses << d("10/12/2026") << "MENC" << State::MayBeGiven << 1 << d("26/9/2026")
            << d("15/8/2027") << d("15/9/2027") << d("15/8/2036");

        const QString hexavalentAt23Weeks = "DTAP@26/2/2026 HEPB@26/2/2026 DTAP@23/4/2026 HEPB@23/4/2026 "
                                            "DTAP@11/6/2026 HEPB@11/6/2026";
        QTest::newRow("Hep B dose 3 before 24 weeks does not count")
            << d("1/1/2026") << hexavalentAt23Weeks << d("12/6/2026") << "HEPB" << State::NotYet << 3
            << d("18/6/2026") << d("1/7/2026") << d("1/8/2027") << QDate();
        QTest::newRow("the same dose counts for DTaP")
            << d("1/1/2026") << hexavalentAt23Weeks << d("12/6/2026") << "DTAP" << State::NotYet << 4
            << d("1/1/2027") << d("1/4/2027") << d("1/8/2027") << QDate();

        QTest::newRow("rotavirus not started after 14 weeks 6 days")
            << d("1/1/2026") << "" << d("1/5/2026") << "RV" << State::NoLongerGiven << 1 << d("12/2/2026")
            << d("1/3/2026") << d("1/4/2026") << d("15/4/2026");
        QTest::newRow("Hib started at 16 months: one dose")
            << d("1/1/2024") << "HIB@1/5/2025" << d("1/6/2025") << "HIB" << State::Complete << 0 << QDate() << QDate()
            << QDate() << QDate();
        QTest::newRow("Hib started at 13 months: a second dose")
            << d("1/1/2024") << "HIB@1/2/2025" << d("2/2/2025") << "HIB" << State::NotYet << 2 << d("1/3/2025")
            << d("1/3/2025") << d("1/4/2025") << d("1/12/2028");
        QTest::newRow("PCV started at 26 months: one dose")
            << d("1/1/2023") << "PCV@1/3/2025" << d("1/4/2025") << "PCV" << State::Complete << 0 << QDate()
            << QDate() << QDate() << QDate();
        QTest::newRow("DTaP 5 not needed after dose 4 at 4 years")
            << d("1/1/2020") << "DTAP@1/3/2020 DTAP@1/5/2020 DTAP@1/7/2020 DTAP@1/1/2024" << d("1/6/2024") << "DTAP"
            << State::Complete << 0 << QDate() << QDate() << QDate() << QDate();
        QTest::newRow("DTaP 5 after dose 4 at 18 months")
            << d("1/1/2020") << "DTAP@1/3/2020 DTAP@1/5/2020 DTAP@1/7/2020 DTAP@1/7/2021" << d("1/6/2024") << "DTAP"
            << State::Due << 5 << d("1/1/2024") << d("1/1/2024") << d("1/2/2026") << QDate();

        QTest::newRow("adolescent: Tdap due")
            << d("1/9/2014") << "" << d("1/12/2025") << "TDAP" << State::Due << 1 << d("1/9/2021") << d("1/9/2025")
            << d("1/10/2026") << d("1/9/2032");
        QTest::newRow("adolescent: MenACWY due")
            << d("1/9/2014") << "" << d("1/12/2025") << "MENACWY" << State::Due << 1 << d("13/10/2014")
            << d("1/9/2025") << d("1/10/2026") << d("1/9/2032");
        QTest::newRow("adolescent: HPV due")
            << d("1/9/2014") << "" << d("1/12/2025") << "HPV" << State::Due << 1 << d("1/9/2023") << d("1/9/2023")
            << d("1/10/2026") << d("1/9/2032");

        QTest::newRow("month-end birth: 31/12 + 2 months is 1/3")
            << d("31/12/2025") << "" << d("1/1/2026") << "HEPB" << State::MayBeGiven << 1 << d("31/12/2025")
            << d("1/3/2026") << d("31/3/2026") << QDate();
        QTest::newRow("influenza this season given")
            << d("1/1/2024") << "FLU@15/10/2025" << d("1/12/2025") << "FLU" << State::Complete << 0 << QDate()
            << QDate() << QDate() << QDate();
        QTest::newRow("influenza due from October")
            << d("1/1/2024") << "FLU@15/10/2024" << d("1/10/2025") << "FLU" << State::Due << 1 << d("1/9/2025")
            << d("1/10/2025") << d("1/11/2025") << d("31/8/2026");
        QTest::newRow("BCG for risk groups only")
            << d("1/1/2024") << "" << d("1/10/2025") << "BCG" << State::RiskGroupsOnly << 0 << QDate() << QDate()
            << QDate() << QDate();
    }
    void workedChildren()
    {
        QFETCH(QDate, birth);
        QFETCH(QString, given);
        QFETCH(QDate, on);
        QFETCH(QString, series);
        const SeriesStatus status = statusOf(evaluate(shippedSchedule(), birth, doses(given), on), series);
        QTEST(status.state, "state");
        QTEST(status.nextDose, "nextDose");
        if (status.nextDose) {
            QTEST(status.earliest, "earliest");
            QTEST(status.due, "due");
            QTEST(status.overdue, "overdue");
            QTEST(status.latest, "latest");
        }
    }

    void tooEarlyDoseMarkedWhereItStands()
    {
        const auto all = evaluate(shippedSchedule(), d("1/1/2026"),
                                  doses("HEPB@26/2/2026 HEPB@23/4/2026 HEPB@11/6/2026 HEPB@1/7/2026"), d("2/7/2026"));
        const SeriesStatus &hepB = statusOf(all, "HEPB");
        QCOMPARE(hepB.doses.size(), 4u);
        QCOMPARE(hepB.doses[2].validity, Validity::TooEarly);
        QCOMPARE(hepB.doses[3].counted, 3);
        QCOMPARE(hepB.state, State::Complete);
        QCOMPARE(validityText(hepB.doses[2].validity), QStringLiteral("Πρόωρη — δεν μετράει"));
    }

    void immuneAndContraindicated()
    {
        const auto all = evaluate(shippedSchedule(), d("1/1/2020"), {}, d("1/1/2026"),
                                  {{"VAR", Reason::Immune}, {"MMR", Reason::Contraindicated}, {"HEPA", Reason::Refused}});
        QCOMPARE(statusOf(all, "VAR").state, State::Immune);
        QCOMPARE(statusOf(all, "MMR").state, State::Contraindicated);
        QCOMPARE(statusOf(all, "HEPA").state, State::Due);
        QVERIFY(statusOf(all, "HEPA").refused);
    }

    void badSchedulesRefusedByName_data()
    {
        const QString header = "series,dose,name_el,rec_from,rec_to,min_age,min_interval,interval_from,max_age,page,notes\n";
        const QString mmr = header + "MMR,1,x,12m,15m,12m,,,,,";
        const QString noRules = "series,rule,dose,at_dose,value,notes\n";
        const QString noProducts = "product,series\n";
        QTest::addColumn<QString>("doses");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("products");
        QTest::addColumn<QString>("message");
        QTest::newRow("no first dose") << header + "MMR,2,x,24m,47m,,4w,prev,,," << noRules << noProducts
                                       << "Η σειρά MMR δεν έχει την 1η δόση.";
        QTest::newRow("negative interval") << mmr + "\nMMR,2,x,24m,47m,,-4w,prev,,," << noRules << noProducts
                                           << "Μη αναγνώσιμη ηλικία ή διάστημα «-4w» (MMR δόση 2).";
        QTest::newRow("unknown series of a product") << mmr << noRules << noProducts + "MMRV,MMR VAR\n"
                                                     << "Το σκεύασμα «MMRV» αναφέρει άγνωστη σειρά VAR.";
        QTest::newRow("a product named twice") << mmr << noRules << noProducts + "MMR,MMR\nMMR,MMR\n"
                                               << "Το σκεύασμα «MMR» υπάρχει δύο φορές.";
        QTest::newRow("a product without a name") << mmr << noRules << noProducts + ",MMR\n"
                                                  << "Σκεύασμα χωρίς όνομα (σειρές MMR).";
        QTest::newRow("a rule for an unknown series") << mmr << noRules + "RSV,seasonal,,,,\n"
                                                      << noProducts
                                                      << "Κανόνας για άγνωστη σειρά RSV.";
        QTest::newRow("an interval rule for a dose not there") << mmr << noRules + "MMR,interval,2,1,4w,\n"
                                                               << noProducts
                                                               << "Κανόνας για δόση που δεν υπάρχει: MMR δόση 2.";
    }
    void badSchedulesRefusedByName()
    {
        QFETCH(QString, doses);
        QFETCH(QString, rules);
        QFETCH(QString, products);
        QFETCH(QString, message);
        try {
            readScheduleCsv(doses, rules, products);
            QFAIL("accepted");
        } catch (const ScheduleError &error) {
            QCOMPARE(error.text, message);
        }
    }
};

QTEST_GUILESS_MAIN(VaccineTest)
#include "tst_vaccines.moc"
