#include "data/growth_readings.h"

#include <QFile>
#include <QTest>

using who::Indicator;
using who::Sex;

Q_DECLARE_METATYPE(Indicator)
Q_DECLARE_METATYPE(Sex)
Q_DECLARE_METATYPE(std::optional<double>)

class GrowthTest : public QObject {
    Q_OBJECT
private slots:
    // The expected values are worked by hand from the LMS rows of the tables.
    void zScoresOfTheStandards_data()
    {
        QTest::addColumn<Indicator>("indicator");
        QTest::addColumn<Sex>("sex");
        QTest::addColumn<int>("days");
        QTest::addColumn<double>("value");
        QTest::addColumn<std::optional<double>>("height");
        QTest::addColumn<double>("expected");
        const std::optional<double> none;
        QTest::newRow("girl of a year, 9 kg") << Indicator::WeightForAge << Sex::Girl << 365 << 9.0 << none << 0.0488;
        QTest::newRow("newborn boy") << Indicator::WeightForAge << Sex::Boy << 0 << 3.0 << none << -0.7343;
        QTest::newRow("wfa above +3, restricted") << Indicator::WeightForAge << Sex::Boy << 1000 << 22.0 << none << 3.9580;
        QTest::newRow("wfa below -3, restricted") << Indicator::WeightForAge << Sex::Girl << 1856 << 9.0 << none << -4.8405;
        QTest::newRow("last day of length") << Indicator::LengthHeightForAge << Sex::Boy << 730 << 85.0 << none << -0.9172;
        QTest::newRow("first day of height") << Indicator::LengthHeightForAge << Sex::Boy << 731 << 85.0 << none << -0.6970;
        QTest::newRow("lhfa below -3, plain") << Indicator::LengthHeightForAge << Sex::Girl << 100 << 50.0 << none << -4.9443;
        QTest::newRow("head") << Indicator::HeadForAge << Sex::Girl << 200 << 44.1 << none << 1.1660;
        QTest::newRow("head above +3, plain") << Indicator::HeadForAge << Sex::Boy << 1856 << 60.0 << none << 6.1628;
        QTest::newRow("bmi of weight and length") << Indicator::BmiForAge << Sex::Boy << 400 << 10.2 << std::optional(76.4) << 0.5943;
        QTest::newRow("bmi above +3, restricted") << Indicator::BmiForAge << Sex::Girl << 1500 << 25.0 << std::optional(100.0) << 5.0987;
        QTest::newRow("bmi given as such") << Indicator::BmiForAge << Sex::Girl << 1500 << 25.0 << none << 5.0987;
        QTest::newRow("length between tenths") << Indicator::WeightForLengthHeight << Sex::Boy << 500 << 9.5 << std::optional(75.05) << -0.0169;
        QTest::newRow("height from 731 days") << Indicator::WeightForLengthHeight << Sex::Girl << 800 << 15.0 << std::optional(86.0) << 2.7130;
        QTest::newRow("wflh above +3, restricted") << Indicator::WeightForLengthHeight << Sex::Boy << 300 << 14.0 << std::optional(70.0) << 6.3433;
    }
    void zScoresOfTheStandards()
    {
        QFETCH(Indicator, indicator);
        QFETCH(Sex, sex);
        QFETCH(int, days);
        QFETCH(double, value);
        QFETCH(std::optional<double>, height);
        QFETCH(double, expected);
        const std::optional<double> z = who::zScore(indicator, sex, days, value, height);
        QVERIFY(z);
        QVERIFY2(std::abs(*z - expected) < 0.00005, qPrintable(QString::number(*z, 'f', 6)));
    }

    // The 2007 tables carry the values at whole SDs: read back, they give those SDs.
    void referenceOf2007AtItsOwnSdColumns_data()
    {
        QTest::addColumn<Indicator>("indicator");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Sex>("sex");
        const std::pair<Indicator, const char *> stems[] = {
            {Indicator::LengthHeightForAge, "hfa"}, {Indicator::BmiForAge, "bmi"}, {Indicator::WeightForAge, "wfa"}};
        for (const auto &[indicator, stem] : stems)
            for (const auto &[sex, name] : {std::pair(Sex::Boy, "boys"), std::pair(Sex::Girl, "girls")}) {
                const QString file = QStringLiteral("%1_%2_5_19_WHO2007.txt").arg(QLatin1String(stem), QLatin1String(name));
                QTest::newRow(qPrintable(file)) << indicator << file << sex;
            }
    }
    void referenceOf2007AtItsOwnSdColumns()
    {
        QFETCH(Indicator, indicator);
        QFETCH(QString, file);
        QFETCH(Sex, sex);
        QFile f(QStringLiteral(VELMORA_WHO_TABLES "/") + file);
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList header = QString::fromLatin1(f.readLine()).trimmed().split(QLatin1Char('\t'));
        std::vector<QStringList> rows;
        while (!f.atEnd())
            rows.push_back(QString::fromLatin1(f.readLine()).trimmed().split(QLatin1Char('\t')));
        QVERIFY(!rows.empty());
        // The day nearest each whole month, within the months the table covers.
        const int lastDay = int(rows.back()[0].toInt() * 30.4375);
        for (const QStringList &cells : rows) {
            const int month = cells[0].toInt();
            const int days = std::min(int(std::lround(month * 30.4375)), lastDay);
            for (const auto &[column, sd] : {std::pair("SD0", 0.0), std::pair("SD2", 2.0), std::pair("SD2neg", -2.0)}) {
                const double value = cells[header.indexOf(QLatin1String(column))].toDouble();
                const std::optional<double> z = who::zScore(indicator, sex, days, value);
                QVERIFY2(z && std::abs(*z - sd) < 0.005,
                         qPrintable(QStringLiteral("month %1 %2: z %3").arg(month).arg(column).arg(z.value_or(99))));
            }
        }
    }

    void noAnswerOutsideTheReference_data()
    {
        QTest::addColumn<Indicator>("indicator");
        QTest::addColumn<int>("days");
        QTest::addColumn<double>("value");
        QTest::addColumn<std::optional<double>>("height");
        const std::optional<double> none;
        QTest::newRow("before birth") << Indicator::WeightForAge << -1 << 3.0 << none;
        QTest::newRow("head after five years") << Indicator::HeadForAge << 1857 << 50.0 << none;
        QTest::newRow("weight after ten years") << Indicator::WeightForAge << 3653 << 30.0 << none;
        QTest::newRow("height after 19 years") << Indicator::LengthHeightForAge << 6940 << 170.0 << none;
        QTest::newRow("height at 19 years") << Indicator::LengthHeightForAge << 6939 << 0.0 << none;
        QTest::newRow("wflh without height") << Indicator::WeightForLengthHeight << 300 << 8.0 << none;
        QTest::newRow("length below the table") << Indicator::WeightForLengthHeight << 300 << 2.0 << std::optional(44.9);
        QTest::newRow("length above the table") << Indicator::WeightForLengthHeight << 700 << 20.0 << std::optional(110.1);
        QTest::newRow("wflh after five years") << Indicator::WeightForLengthHeight << 1900 << 20.0 << std::optional(110.0);
        QTest::newRow("no weight") << Indicator::WeightForAge << 300 << 0.0 << none;
        QTest::newRow("no height for bmi") << Indicator::BmiForAge << 300 << 8.0 << std::optional(0.0);
    }
    void noAnswerOutsideTheReference()
    {
        QFETCH(Indicator, indicator);
        QFETCH(int, days);
        QFETCH(double, value);
        QFETCH(std::optional<double>, height);
        QCOMPARE(who::zScore(indicator, Sex::Boy, days, value, height), std::optional<double>());
    }

    void centileAsRead_data()
    {
        QTest::addColumn<double>("z");
        QTest::addColumn<QString>("text");
        QTest::newRow("middle") << 0.31 << "P62 (z 0,31)";
        QTest::newRow("median") << 0.0 << "P50 (z 0,00)";
        QTest::newRow("below the 1st") << -2.5 << "P0,6 (z -2,50)";
        QTest::newRow("above the 99th") << 2.5 << "P99,4 (z 2,50)";
        QTest::newRow("far below") << -4.0 << "P<0,1 (z -4,00)";
        QTest::newRow("far above") << 12.34 << "P>99,9 (z 12,34)";
    }
    void centileAsRead()
    {
        QFETCH(double, z);
        QFETCH(QString, text);
        QCOMPARE(who::centileAndZ(z), text);
    }

    // Completed months count from the birthday; a month too short for that day ends on its last.
    void ageAtMeasurement_data()
    {
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QDate>("measured");
        QTest::addColumn<QString>("text");
        QTest::newRow("day of birth") << QDate(2020, 1, 1) << QDate(2020, 1, 1) << "0 ημ.";
        QTest::newRow("newborn") << QDate(2020, 1, 1) << QDate(2020, 1, 13) << "12 ημ.";
        QTest::newRow("infant") << QDate(2020, 1, 1) << QDate(2020, 12, 31) << "11 μην. 30 ημ.";
        QTest::newRow("whole months") << QDate(2020, 1, 15) << QDate(2020, 4, 15) << "3 μην.";
        QTest::newRow("born on the 31st") << QDate(2020, 1, 31) << QDate(2020, 2, 29) << "1 μην.";
        QTest::newRow("a day short of a month") << QDate(2020, 1, 31) << QDate(2020, 2, 28) << "28 ημ.";
        QTest::newRow("first birthday") << QDate(2020, 2, 29) << QDate(2021, 2, 28) << "1 ετ.";
        QTest::newRow("years and months") << QDate(2020, 1, 1) << QDate(2021, 6, 1) << "1 ετ. 5 μην.";
        QTest::newRow("before birth") << QDate(2020, 1, 2) << QDate(2020, 1, 1) << "";
    }
    void ageAtMeasurement()
    {
        QFETCH(QDate, birth);
        QFETCH(QDate, measured);
        QFETCH(QString, text);
        QCOMPARE(who::ageText(birth, measured), text);
    }

    void implausibleByWhoFlags_data()
    {
        QTest::addColumn<Indicator>("indicator");
        QTest::addColumn<double>("z");
        QTest::addColumn<bool>("flagged");
        QTest::newRow("height +6") << Indicator::LengthHeightForAge << 6.0 << false;
        QTest::newRow("height +6.01") << Indicator::LengthHeightForAge << 6.01 << true;
        QTest::newRow("height -6.01") << Indicator::LengthHeightForAge << -6.01 << true;
        QTest::newRow("weight +5.01") << Indicator::WeightForAge << 5.01 << true;
        QTest::newRow("weight -5.99") << Indicator::WeightForAge << -5.99 << false;
        QTest::newRow("bmi -5.01") << Indicator::BmiForAge << -5.01 << true;
        QTest::newRow("bmi +4.99") << Indicator::BmiForAge << 4.99 << false;
    }
    void implausibleByWhoFlags()
    {
        QFETCH(Indicator, indicator);
        QFETCH(double, z);
        QFETCH(bool, flagged);
        QCOMPARE(who::implausible(indicator, z), flagged);
    }
};

QObject *newGrowthTest()
{
    return new GrowthTest;
}

#include "tst_growth.moc"
