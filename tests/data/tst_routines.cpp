#include "data/global.h"
#include "data/regional.h"

#include <QTest>

class RoutinesTest : public QObject {
    Q_OBJECT
private slots:
    void dateToSql_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("literal");
        const QDate y2026(2026, 12, 10);
        QTest::newRow("full date") << "28/03/2007" << y2026 << "#3/28/2007#";
        QTest::newRow("no leading zeros") << "1/2/2008" << y2026 << "#2/1/2008#";
        QTest::newRow("blanks everywhere") << "  28 / 03 / 2007  " << y2026 << "#3/28/2007#";
        QTest::newRow("trailing separator") << "28/03/2007/" << y2026 << "#3/28/2007#";
        QTest::newRow("day and month only") << "28/3" << y2026 << "#3/28/2026#";
        QTest::newRow("leap day") << "29/2/2024" << y2026 << "#2/29/2024#";
        QTest::newRow("no leap day 1900") << "29/2/1900" << y2026 << "ERROR";
        QTest::newRow("leap day 2000") << "29/2/2000" << y2026 << "#2/29/2000#";
        QTest::newRow("31 February") << "31/02/2007" << y2026 << "ERROR";
        QTest::newRow("month 13") << "1/13/2007" << y2026 << "ERROR";
        QTest::newRow("empty") << "" << y2026 << "ERROR";
        QTest::newRow("blanks only") << "   " << y2026 << "ERROR";
        QTest::newRow("iso order") << "2007-03-28" << y2026 << "ERROR";
        QTest::newRow("dots") << "28.03.2007" << y2026 << "ERROR";
        QTest::newRow("time of day") << "28/03/2007 10:30" << y2026 << "ERROR";
        QTest::newRow("fourth number") << "28/03/2007/5" << y2026 << "ERROR";
        QTest::newRow("letters") << "28/Μαρ/2007" << y2026 << "ERROR";
        QTest::newRow("one number") << "28" << y2026 << "ERROR";
        QTest::newRow("five digit year") << "28/03/20071" << y2026 << "ERROR";
        QTest::newRow("three digit year as written") << "28/03/007" << y2026 << "#3/28/7#";
        QTest::newRow("year zero") << "1/1/0000" << y2026 << "ERROR";
        // The two-digit year falls in the hundred years that start 50 years back.
        QTest::newRow("07 in 2026") << "28/03/07" << y2026 << "#3/28/2007#";
        QTest::newRow("07 in 1958") << "28/03/07" << QDate(1958, 1, 1) << "#3/28/2007#";
        QTest::newRow("07 in 2057") << "28/03/07" << QDate(2057, 6, 1) << "#3/28/2007#";
        QTest::newRow("07 in 2058") << "28/03/07" << QDate(2058, 6, 1) << "#3/28/2107#";
        QTest::newRow("07 in 1957") << "28/03/07" << QDate(1957, 6, 1) << "#3/28/1907#";
        QTest::newRow("80 in 2030") << "28/03/80" << QDate(2030, 12, 31) << "#3/28/1980#";
        QTest::newRow("80 in 2031") << "28/03/80" << QDate(2031, 1, 1) << "#3/28/2080#";
        QTest::newRow("one digit year") << "5/6/9" << y2026 << "#6/5/2009#";
    }
    void dateToSql()
    {
        QFETCH(QString, typed);
        QFETCH(QDate, today);
        QFETCH(QString, literal);
        date_to_sql(typed, today);
        QCOMPARE(typed, literal);
    }

    void checkChars_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("greek words") << "Παπαδόπουλος Γιώργος" << true;
        QTest::newRow("latin, digits, slash") << "Smith 28/03/2007" << true;
        const QString forbidden = QStringLiteral("'\"&*-=!#$[]?%+\\|@_~`(){}<>.;^:,");
        QCOMPARE(forbidden.size(), 31);
        for (const QChar c : forbidden)
            QTest::newRow(qPrintable(QStringLiteral("with %1").arg(c))) << QStringLiteral("Πα%1πα").arg(c) << false;
        QTest::newRow("forbidden at the end") << "Παπάς'" << false;
    }
    void checkChars()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowed);
        QCOMPARE(check_chars(text), allowed);
    }

    void formatFixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("half up") << 12.345 << "12,35";
        QTest::newRow("binary below half") << 1.005 << "1,01";
        QTest::newRow("plain") << 102.5 << "102,50";
        QTest::newRow("whole") << 40.0 << "40,00";
        QTest::newRow("carry") << 9.995 << "10,00";
        QTest::newRow("sum noise") << 0.1 + 0.2 << "0,30";
        QTest::newRow("negative half away") << -2.345 << "-2,35";
        QTest::newRow("negative to zero") << -0.001 << "0,00";
        QTest::newRow("zero") << 0.0 << "0,00";
        QTest::newRow("large") << 1234567.891 << "1234567,89";
        QTest::newRow("noise of an addition") << 1.004 + 0.001 << "1,01";
        QTest::newRow("beyond 64 characters") << 1e64 << "1" + QString(64, '0') + ",00";
        QTest::newRow("largest double") << 1.7976931348623157e308 << "179769313486232" + QString(294, '0') + ",00";
        QTest::newRow("very small") << 1e-300 << "0,00";
        QTest::newRow("very small negative") << -1e-300 << "0,00";
        QTest::newRow("half of a cent") << 0.005 << "0,01";
    }
    void formatFixed()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Regional::current().formatFixed(value, 2), text);
    }

    void parseNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal comma") << "12,5" << true << 12.5;
        QTest::newRow("whole") << " 40 " << true << 40.0;
        QTest::newRow("negative") << "-3,25" << true << -3.25;
        QTest::newRow("point is not ours") << "12.5" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("letters") << "12a" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
    }
    void parseNumber()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto parsed = Regional::current().parseNumber(typed);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void connectionString()
    {
        QCOMPARE(connectionStringFor(QStringLiteral("/home/practice")),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=/home/practice/data.mdb;"
                                "Persist Security Info=True;Jet OLEDB:Database Password=40617283"));
    }
};

QObject *newRoutinesTest()
{
    return new RoutinesTest;
}

#include "tst_routines.moc"
