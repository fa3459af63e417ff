#include "data/dataset.h"
#include "data/db_error.h"
#include "engine_practices.h"
#include "data/jet_dialect.h"
#include "data/schema.h"

#include <QScopeGuard>
#include <memory>

#include <QTest>

namespace {

// The first column of every row, as the windows would show it.
QStringList column(Connection &connection, const QString &jetSql, int index = 0)
{
    DataSet rows(connection);
    rows.setSql(jetSql);
    rows.open();
    QStringList values;
    for (int r = 0; r < rows.recordCount(); ++r)
        values << displayText(rows.value(r, index));
    return values;
}

} // namespace

class DialectTest : public QObject {
    Q_OBJECT
    EnginePractices m_practices;
    std::unique_ptr<PostgresSession> m_practice;

    // A server practice for the statements run bare, made at the first row that needs it.
    bool startPracticeOnServer(QString *error)
    {
        if (!m_practice) {
            try {
                m_practice = std::make_unique<PostgresSession>(
                    ConnectionSettings::parse(m_practices.newPractice(jet::Engine::Postgres)).dataSource);
            } catch (const DbError &e) {
                *error = e.text();
                return false;
            }
        }
        return m_practice->isOpen();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_practices.start(&error), qPrintable(error));
    }
    void cleanupTestCase()
    {
        m_practice.reset();
        m_practices.stop();
    }

    void translate_data()
    {
        QTest::addColumn<QString>("jet");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("server");
        QTest::newRow("date literal") << "WHERE D BETWEEN #3/1/2007# AND #12/31/2007#"
                                      << "WHERE D BETWEEN '2007-03-01' AND '2007-12-31'"
                                      << "WHERE D BETWEEN '2007-03-01' AND '2007-12-31'";
        QTest::newRow("double quotes") << "Format(D,\"dd/mm/yyyy\")"
                                       << "Format(D,'dd/mm/yyyy')"
                                       << "velmora_format(D,'dd/mm/yyyy')";
        QTest::newRow("quote inside double quotes") << "\"O'Neil\""
                                                    << "'O''Neil'"
                                                    << "'O''Neil'";
        QTest::newRow("booleans") << "SET EGKYRH=FALSE WHERE EGKYRH=TRUE or x=true"
                                  << "SET EGKYRH=0 WHERE EGKYRH=1 or x=1"
                                  << "SET EGKYRH=0 WHERE EGKYRH=1 or x=1";
        QTest::newRow("words inside texts stay") << "'TRUE #1/1/2000# \"x\" [A] ? rowid LIKE'"
                                                 << "'TRUE #1/1/2000# \"x\" [A] ? rowid LIKE'"
                                                 << "'TRUE #1/1/2000# \"x\" [A] ? rowid LIKE'";
        QTest::newRow("brackets") << "[5HNOSOS], [0800-0830], [TRUE], T.[LAST]"
                                  << "[5HNOSOS], [0800-0830], [TRUE], T.[LAST]"
                                  << "\"5hnosos\", \"0800-0830\", \"true\", T.\"last\"";
        QTest::newRow("names holding TRUE stay") << "TRUE_X, XTRUE"
                                                 << "TRUE_X, XTRUE"
                                                 << "TRUE_X, XTRUE";
        QTest::newRow("LIKE without blank") << "EPWNYMO LIKE'Πα%'"
                                            << "EPWNYMO LIKE'Πα%'"
                                            << "velmora_fold(EPWNYMO) LIKE velmora_fold('Πα%') ESCAPE ''";
        QTest::newRow("NOT LIKE a value") << "P.EPWNYMO NOT LIKE ? AND [X] LIKE ?"
                                          << "P.EPWNYMO NOT LIKE ? AND [X] LIKE ?"
                                          << "velmora_fold(P.EPWNYMO) NOT LIKE velmora_fold($1) ESCAPE '' AND "
                                             "velmora_fold(\"x\") LIKE velmora_fold($2) ESCAPE ''";
        QTest::newRow("LIKE over a function, own escape") << "Format(D,'0') LIKE '1!%%' ESCAPE '!'"
                                                          << "Format(D,'0') LIKE '1!%%' ESCAPE '!'"
                                                          << "velmora_fold(velmora_format(D,'0')) LIKE "
                                                             "velmora_fold('1!%%') ESCAPE '!'";
        QTest::newRow("numbered values") << "WHO_Z('wfa',?2,?3,D) WHERE ID=?1"
                                         << "WHO_Z('wfa',?2,?3,D) WHERE ID=?1"
                                         << "WHO_Z('wfa',$2,$3,D) WHERE ID=$1";
        QTest::newRow("date parts") << "MONTH(D) AS [MONTH], YEAR (D), DAY(D), MONTH"
                                    << "MONTH(D) AS [MONTH], YEAR (D), DAY(D), MONTH"
                                    << "velmora_month(D) AS \"month\", velmora_year (D), velmora_day(D), MONTH";
        QTest::newRow("row ids") << "SELECT rowid FROM T ORDER BY ROWID; SELECT last_insert_rowid()"
                                 << "SELECT rowid FROM T ORDER BY ROWID; SELECT last_insert_rowid()"
                                 << "SELECT velmora_row FROM T ORDER BY velmora_row NULLS FIRST; SELECT lastval()";
        QTest::newRow("where NULLs sort")
            << "SELECT (SELECT MAX(A) FROM U ORDER BY B DESC LIMIT 1) FROM T ORDER BY YEAR(D), Format(E,'0') DESC, [F] "
               "ASC LIMIT 3"
            << "SELECT (SELECT MAX(A) FROM U ORDER BY B DESC LIMIT 1) FROM T ORDER BY YEAR(D), Format(E,'0') DESC, [F] "
               "ASC LIMIT 3"
            << "SELECT (SELECT MAX(A) FROM U ORDER BY B DESC NULLS LAST LIMIT 1) FROM T ORDER BY velmora_year(D) NULLS "
               "FIRST, velmora_format(E,'0') DESC NULLS LAST, \"f\" ASC NULLS FIRST LIMIT 3";
        QTest::newRow("collation") << "A TEXT COLLATE GREEK, [GREEK] TEXT"
                                   << "A TEXT COLLATE GREEK, [GREEK] TEXT"
                                   << "A TEXT COLLATE velmora_greek, \"greek\" TEXT";
    }
    void translate()
    {
        QFETCH(QString, jet);
        QTEST(jet::translate(jet), "file");
        QTEST(jet::translate(jet, jet::Engine::Postgres), "server");
    }

    void rowIdJoinsAPlainSelect_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file") << int(jet::Engine::SqlCipher) << "SELECT rowid, * FROM T";
        QTest::newRow("server") << int(jet::Engine::Postgres) << "SELECT velmora_row, * FROM T";
    }
    void rowIdJoinsAPlainSelect()
    {
        QFETCH(int, engine);
        QTEST(jet::withRowId("SELECT * FROM T", jet::Engine(engine)), "expected");
        QCOMPARE(jet::withRowId("SELECT COUNT(*) FROM T", jet::Engine(engine)), QString());
    }

    // The same statements over the encrypted file and over a server database made as
    // `velmora-db create` makes one: the same answers, as the windows show them.
    void sameAnswersOnBothEngines_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("expected");
        const QString child = "INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,"
                              "ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
                              "VALUES('Ν','%1','ΑΡΡΕΝ',#5/5/2010#,'Π','Μ','Κ','Ερμού 5','2101234567')";
        const auto children = [&](const QStringList &surnames) {
            QStringList statements;
            for (const QString &surname : surnames)
                statements << QString(child).replace("%1", surname);
            return statements;
        };
        const QStringList register_ =
            children({"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας", "Αλεξίου", "Smith", "Élan", "Σπαής", "Ἀθανασίου", "Dvořák"});
        const QString search = "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE EPWNYMO LIKE'%1' ORDER BY EPWNYMO ASC";
        const QStringList expenses = {
            "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/5/2009#,10.005,2.3,'Ενοίκιο')",
            "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/20/2009#,20,4.6,'Ενοίκιο')",
            "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#3/1/2010#,1.1,0.25,'Ενοίκιο')"};
        const QString byMonth = "SELECT %1 FROM EKSODA WHERE YEAR(EKSODA.HMEROMHNIA) BETWEEN 2009 AND 2010 GROUP BY "
                                "MONTH(EKSODA.HMEROMHNIA), YEAR(EKSODA.HMEROMHNIA) ORDER BY YEAR(EKSODA.HMEROMHNIA), "
                                "MONTH(EKSODA.HMEROMHNIA) ASC";
        struct Case {
            const char *name;
            QStringList setup;
            QString query;
            QVariantList values;
            QStringList expected;
        };
        const Case cases[] = {
            {"like as stored", register_, QString(search).replace("%1", "Πα%"), {}, {"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"}},
            {"like in capitals", register_, QString(search).replace("%1", "ΠΑ%"), {}, {"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"}},
            {"like with accent", register_, QString(search).replace("%1", "πά%"), {}, {"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"}},
            {"like final sigma", register_, QString(search).replace("%1", "παπας"), {}, {"ΠΑΠΑΣ"}},
            {"like latin accent", register_, QString(search).replace("%1", "ela%"), {}, {"Élan"}},
            {"like breathings and carons", register_, "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE EPWNYMO LIKE 'αθ%' OR EPWNYMO LIKE 'dvor%' ORDER BY EPWNYMO", {}, {"Dvořák", "Ἀθανασίου"}},
            {"like a backslash", children({"C:\\x"}), QString(search).replace("%1", "c:\\%"), {}, {"C:\\x"}},
            {"like without apostrophes",
             children({"Ντ’Αμίκο", "Ντάμης"}),
             "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE " + schema::searchedSurname() + " LIKE 'νταμι%' ORDER BY EPWNYMO",
             {},
             {"Ντ’Αμίκο"}},
            {"like a bound value",
             register_,
             "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE EPWNYMO LIKE ? ORDER BY EPWNYMO",
             {"σπα%"},
             {"Σπαής"}},
            {"greek order",
             children({"Ωραίος", "άλφα", "Βήτα", "Αλέξης", "ΑΒΡΑΜ", "Έψιλον", "ζήτα", "Adams"}),
             "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC",
             {},
             {"Adams", "ΑΒΡΑΜ", "Αλέξης", "άλφα", "Βήτα", "Έψιλον", "ζήτα", "Ωραίος"}},
            {"format dates",
             expenses,
             "SELECT Format(HMEROMHNIA,\"dd/mm/yyyy\") FROM EKSODA ORDER BY HMEROMHNIA",
             {},
             {"05/01/2009", "20/01/2009", "01/03/2010"}},
            {"format short dates",
             expenses,
             "SELECT Format(HMEROMHNIA,\"d/m/yy\") FROM EKSODA ORDER BY HMEROMHNIA",
             {},
             {"5/1/09", "20/1/09", "1/3/10"}},
            {"format amounts",
             expenses,
             "SELECT Format((EKSODA.POSO+EKSODA.VAT),'0.00') FROM EKSODA ORDER BY HMEROMHNIA",
             {},
             {"12,31", "24,60", "1,35"}},
            {"months", expenses, QString(byMonth).replace("%1", "MONTH(EKSODA.HMEROMHNIA) AS [MONTH]"), {}, {"1", "3"}},
            {"years", expenses, QString(byMonth).replace("%1", "YEAR(EKSODA.HMEROMHNIA) AS [YEAR]"), {}, {"2009", "2010"}},
            {"exact sums", expenses, QString(byMonth).replace("%1", "Format(SUM(EKSODA.POSO),'0.00')"), {}, {"30,01", "1,10"}},
            {"half a cent carried",
             {"INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2020#,1.005,0,'x')",
              "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2020#,12500.4,0,'x')",
              "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2020#,10,0,'x')"},
             "SELECT Format(SUM(POSO),'0.00') FROM EKSODA",
             {},
             {"12511,41"}},
            {"total over no rows", {}, "SELECT Format(TOTAL(POSO),'0.00') FROM EKSODA", {}, {"0,00"}},
            {"sum over no rows", {}, "SELECT Format(SUM(POSO),'0.00') FROM EKSODA", {}, {""}},
            {"day month year",
             {"INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#12/10/2026#,'Εμβόλια')",
              "INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#12/11/2026#,'Άλλο')"},
             "SELECT PERIGRAFH from YPENTHIMISEIS WHERE DAY(HMEROMHNIA)=10 AND MONTH(HMEROMHNIA)=12 AND "
             "YEAR(HMEROMHNIA)=2026",
             {},
             {"Εμβόλια"}},
            {"bracketed names and booleans",
             {"INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY,HMEROMHNIA) VALUES(1,40,#1/1/2020#)",
              "INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY,HMEROMHNIA) VALUES(2,25.5,#1/1/2020#)",
              "UPDATE APODEIKSEIS SET EGKYRH=FALSE WHERE AR_APODEIKSHS=2", "INSERT INTO LAST_APODEIKSH([LAST]) VALUES(7)",
              "UPDATE LAST_APODEIKSH SET [LAST]=[LAST]+1"},
             "SELECT Format(sum(POSO_CY),'0.00') AS POSO FROM APODEIKSEIS WHERE HMEROMHNIA BETWEEN #1/1/2020# AND "
             "#1/1/2020# AND EGKYRH=TRUE UNION ALL SELECT Format([LAST],'0') FROM LAST_APODEIKSH",
             {},
             {"40,00", "8"}},
            {"empty values sort lowest",
             {"INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#1/1/2020#,'α')",
              "INSERT INTO YPENTHIMISEIS(HMEROMHNIA) VALUES(#1/2/2020#)",
              "INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#1/3/2020#,'β')"},
             "SELECT PERIGRAFH FROM YPENTHIMISEIS ORDER BY PERIGRAFH DESC, HMEROMHNIA",
             {},
             {"β", "α", ""}},
            {"an expense without value has no rate",
             {"INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/5/2009#,100,24,'α')",
              "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/6/2009#,0,5,'β')",
              "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/7/2009#,50,6.5,'γ')"},
             "SELECT CAST(ROUND(100*EKSODA.VAT/NULLIF(EKSODA.POSO,0)) AS INTEGER) AS RATE, Format(SUM(EKSODA.POSO),'0.00') "
             "AS AKSIA FROM EKSODA WHERE EKSODA.HMEROMHNIA Between ? AND ? GROUP BY 1 ORDER BY 1 DESC",
             {QDate(2009, 1, 1), QDate(2009, 12, 31)},
             {"24", "13", ""}},
            {"numbered values",
             register_,
             "SELECT COUNT(*) FROM STOIXEIA_PAIDIOY WHERE EPWNYMO=?2 OR EPWNYMO=?1",
             {"Smith", "Αλεξίου"},
             {"2"}},
        };
        for (const Case &c : cases) {
            for (const auto &[engineName, engine] : {std::pair("file", jet::Engine::SqlCipher),
                                                     std::pair("server", jet::Engine::Postgres)})
                QTest::addRow("%s, %s", c.name, engineName)
                    << int(engine) << c.setup << c.query << c.values << c.expected;
        }
    }
    void sameAnswersOnBothEngines()
    {
        QFETCH(int, engine);
        QFETCH(QStringList, setup);
        QFETCH(QString, query);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, expected);
        if (jet::Engine(engine) == jet::Engine::SqlCipher) {
            Connection c(m_practices.newPractice(jet::Engine::SqlCipher));
            for (const QString &statement : setup)
                c.execute(statement);
            DataSet rows(c);
            rows.setSql(query, values);
            rows.open();
            QStringList found;
            for (int r = 0; r < rows.recordCount(); ++r)
                found << displayText(rows.value(r, 0));
            QCOMPARE(found, expected);
            return;
        }
        SKIP_UNAVAILABLE_ENGINE(m_practices, jet::Engine::Postgres);
        QString error;
        QVERIFY2(startPracticeOnServer(&error), qPrintable(error));
        PostgresSession &server = *m_practice;
        QVERIFY2(server.run("BEGIN"), qPrintable(server.error()));
        const auto rollBack = qScopeGuard([&] { server.run("ROLLBACK"); });
        for (const QString &statement : setup)
            QVERIFY2(server.run(jet::translate(statement, jet::Engine::Postgres)), qPrintable(server.error()));
        const QString serverSql = jet::translate(query, jet::Engine::Postgres);
        QVERIFY2(server.run(serverSql, values), qPrintable(server.error() + "\n" + serverSql));
        QCOMPARE(server.column(), expected);
    }

    void badStatementsRaise_data()
    {
        QTest::addColumn<jet::Engine>("engine");
        QTest::addColumn<QString>("jet");
        QTest::addColumn<int>("kind");
        for (const auto &[engine, on] : EnginePractices::Engines) {
            QTest::addRow("%s: impossible date", on) << engine << "SELECT * FROM EKSODA WHERE HMEROMHNIA=#2/31/2007#" << int(DbError::Kind::Syntax);
            QTest::addRow("%s: open text", on) << engine << "SELECT * FROM EKSODA WHERE PERIGRAFH='x" << int(DbError::Kind::Syntax);
            QTest::addRow("%s: syntax", on) << engine << "SELEC * FROM EKSODA" << int(DbError::Kind::Syntax);
            QTest::addRow("%s: missing table", on) << engine << "SELECT * FROM NOTHING" << int(DbError::Kind::MissingObject);
            QTest::addRow("%s: missing column", on) << engine << "SELECT NOTHING FROM EKSODA" << int(DbError::Kind::MissingObject);
            QTest::addRow("%s: unbracketed digit name", on) << engine << "SELECT 5HNOSOS FROM STOIXEIA_PAIDIOY" << int(DbError::Kind::Syntax);
            QTest::addRow("%s: second statement", on) << engine << "SELECT * FROM EKSODA; DELETE FROM EKSODA" << int(DbError::Kind::Syntax);
        }
    }
    void badStatementsRaise()
    {
        QFETCH(QString, jet);
        QFETCH(int, kind);
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        try {
            column(c, jet);
            QFAIL("no error raised");
        } catch (const DbError &e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY(!e.text().isEmpty());
        }
    }

    void dateRangesIncludeBothEnds_data() { EnginePractices::addRows(); }
    void dateRangesIncludeBothEnds()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        for (const char *day : {"2007-02-28", "2007-03-01", "2007-03-31", "2007-04-01"})
            c.execute(QStringLiteral("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(?,10,2.3,'x')"),
                      {QString::fromLatin1(day)});
        QCOMPARE(column(c, "SELECT HMEROMHNIA FROM EKSODA WHERE HMEROMHNIA BETWEEN #3/1/2007# AND #3/31/2007# "
                           "ORDER BY HMEROMHNIA"),
                 QStringList({"1/3/2007", "31/3/2007"}));
        QCOMPARE(column(c, "SELECT COUNT(*) FROM EKSODA WHERE HMEROMHNIA=#2/28/2007#"), QStringList({"1"}));
    }

    void expenseReportsAsQuoted_data() { EnginePractices::addRows(); }
    void expenseReportsAsQuoted()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        const QVariantList rows[] = {{"2009-01-05", 10.005, 2.3}, {"2009-01-20", 20.0, 4.6}, {"2010-03-01", 1.1, 0.25}};
        for (const auto &row : rows)
            c.execute(QStringLiteral("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(?,?,?,'Ενοίκιο')"), row);
        const QString byDate =
            "SELECT Format(EKSODA.HMEROMHNIA,\"dd/mm/yyyy\") AS HMEROMHNIA, Format(EKSODA.POSO,'0.00') AS AKSIA, "
            "Format(EKSODA.VAT,'0.00') AS VAT, Format((EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO, EKSODA.PERIGRAFH "
            "FROM EKSODA WHERE EKSODA.HMEROMHNIA Between #1/1/2009# AND #1/31/2009# ORDER BY EKSODA.HMEROMHNIA ASC";
        QCOMPARE(column(c, byDate, 0), QStringList({"05/01/2009", "20/01/2009"}));
        QCOMPARE(column(c, byDate, 1), QStringList({"10,01", "20,00"}));
        QCOMPARE(column(c, byDate, 3), QStringList({"12,31", "24,60"}));
        const QString byMonth =
            "SELECT MONTH(EKSODA.HMEROMHNIA) AS [MONTH], YEAR(EKSODA.HMEROMHNIA) AS [YEAR], "
            "Format(SUM(EKSODA.POSO),'0.00') AS AKSIA,Format(SUM(EKSODA.VAT),'0.00') AS VAT, "
            "Format(SUM(EKSODA.POSO+EKSODA.VAT),'0.00') AS SYNOLO FROM EKSODA WHERE YEAR(EKSODA.HMEROMHNIA) BETWEEN "
            "2009 AND 2010 GROUP BY MONTH(EKSODA.HMEROMHNIA), YEAR(EKSODA.HMEROMHNIA)  ORDER BY "
            "YEAR(EKSODA.HMEROMHNIA), MONTH(EKSODA.HMEROMHNIA) ASC";
        QCOMPARE(column(c, byMonth, 0), QStringList({"1", "3"}));
        QCOMPARE(column(c, byMonth, 1), QStringList({"2009", "2010"}));
        QCOMPARE(column(c, byMonth, 2), QStringList({"30,01", "1,10"}));
        QCOMPARE(column(c, byMonth, 4), QStringList({"36,91", "1,35"}));
        // A sum over no rows has no value; the window decides what to show.
        QCOMPARE(column(c, "SELECT Format(SUM(EKSODA.POSO),'0.00') AS AKSIA FROM EKSODA WHERE "
                           "YEAR(EKSODA.HMEROMHNIA) BETWEEN 1990 AND 1991"),
                 QStringList({""}));
    }

    void sumsAddDecimals_data()
    {
        QTest::addColumn<QVariantList>("amounts");
        QTest::addColumn<QString>("sum");   // Format(SUM(..),'0.00')
        QTest::addColumn<QString>("total"); // Format(TOTAL(..),'0.00')
        QTest::addColumn<QString>("type");  // typeof(SUM(..))
        QTest::newRow("half a cent carried") << QVariantList{1.005, 12500.4, 10} << "12511,41"
                                             << "12511,41"
                                             << "real";
        QTest::newRow("tenths") << QVariantList{0.1, 0.2, 0.3} << "0,60"
                                << "0,60"
                                << "real";
        QTest::newRow("negative") << QVariantList{-1.005, -2.0} << "-3,01"
                                  << "-3,01"
                                  << "real";
        QTest::newRow("whole numbers stay whole") << QVariantList{1, 2, 3} << "6,00"
                                                  << "6,00"
                                                  << "integer";
        QTest::newRow("text amounts") << QVariantList{"1.005", "2"} << "3,01"
                                      << "3,01"
                                      << "real";
        QTest::newRow("nulls ignored") << QVariantList{QVariant(), 2.5} << "2,50"
                                       << "2,50"
                                       << "real";
        QTest::newRow("no rows") << QVariantList{} << ""
                                 << "0,00"
                                 << "null";
        QTest::newRow("scales too far apart") << QVariantList{1e30, 1e-30} << "1" + QString(30, '0') + ",00"
                                              << "1" + QString(30, '0') + ",00"
                                              << "real";
    }
    void sumsAddDecimals()
    {
        QFETCH(QVariantList, amounts);
        TestPractice practice;
        Connection c = practice.connect();
        c.execute("CREATE TEMP TABLE AMOUNTS(V)");
        for (const QVariant &amount : amounts)
            c.execute("INSERT INTO AMOUNTS(V) VALUES(?)", {amount});
        const QString sql = "SELECT Format(SUM(V),'0.00'), Format(TOTAL(V),'0.00'), typeof(SUM(V)) FROM AMOUNTS";
        QTEST(column(c, sql, 0).value(0), "sum");
        QTEST(column(c, sql, 1).value(0), "total");
        QTEST(column(c, sql, 2).value(0), "type");
    }

    void dayMonthYearAndReminders_data() { EnginePractices::addRows(); }
    void dayMonthYearAndReminders()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        c.execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#12/10/2026#,'Εμβόλια')");
        c.execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(#12/11/2026#,'Άλλο')");
        QCOMPARE(column(c, "SELECT * from YPENTHIMISEIS WHERE DAY(HMEROMHNIA)=10 AND MONTH(HMEROMHNIA)=12 AND "
                           "YEAR(HMEROMHNIA)=2026",
                        1),
                 QStringList({"Εμβόλια"}));
    }

    void likeIsGreekAware_data()
    {
        QTest::addColumn<jet::Engine>("engine");
        QTest::addColumn<QString>("initials");
        QTest::addColumn<QStringList>("found");
        for (const auto &[engine, on] : EnginePractices::Engines) {
            QTest::addRow("%s: as stored", on) << engine << "Πα" << QStringList({"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"});
            QTest::addRow("%s: capitals", on) << engine << "ΠΑ" << QStringList({"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"});
            QTest::addRow("%s: small letters", on) << engine << "πα" << QStringList({"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"});
            QTest::addRow("%s: with accent", on) << engine << "Πά" << QStringList({"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας"});
            QTest::addRow("%s: final sigma", on) << engine << "παπας" << QStringList({"ΠΑΠΑΣ"});
            QTest::addRow("%s: longer", on) << engine << "Παπαδ" << QStringList({"Παπαδάκης"});
            QTest::addRow("%s: latin", on) << engine << "sm" << QStringList({"Smith"});
            QTest::addRow("%s: none", on) << engine << "Ω" << QStringList();
        }
    }
    void likeIsGreekAware()
    {
        QFETCH(QString, initials);
        QFETCH(QStringList, found);
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        for (const char *surname : {"Παπαδάκης", "ΠΑΠΑΣ", "Πάτρας", "Αλεξίου", "Smith", "Σπαής"})
            addChild(c, "Νίκος", QString::fromUtf8(surname), QDate(2010, 5, 5));
        const QString search =
            "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
            "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY WHERE EPWNYMO LIKE'" +
            initials + "%" + "'" + " ORDER BY EPWNYMO ASC";
        QCOMPARE(column(c, search, 2), found);
    }

    void orderByIsGreekAlphabetical_data() { EnginePractices::addRows(); }
    void orderByIsGreekAlphabetical()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        for (const char *surname : {"Ωραίος", "άλφα", "Βήτα", "Αλέξης", "ΑΒΡΑΜ", "Έψιλον", "ζήτα", "Adams"})
            addChild(c, "Ν", QString::fromUtf8(surname), QDate(2010, 5, 5));
        QCOMPARE(column(c, "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC"),
                 QStringList({"Adams", "ΑΒΡΑΜ", "Αλέξης", "άλφα", "Βήτα", "Έψιλον", "ζήτα", "Ωραίος"}));
        QCOMPARE(column(c, "SELECT EPWNYMO FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO DESC").first(), QString("Ωραίος"));
    }

    void bracketsAndBooleans_data() { EnginePractices::addRows(); }
    void bracketsAndBooleans()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        addChild(c, "Ν", "Α", QDate(2010, 5, 5));
        c.execute("UPDATE STOIXEIA_PAIDIOY SET [5HNOSOS]='ΝΑΙ'");
        QCOMPARE(column(c, "SELECT [5HNOSOS] FROM STOIXEIA_PAIDIOY"), QStringList({"ΝΑΙ"}));
        c.execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0800-0830],[2130-2200]) VALUES(#8/2/2010#,'Α','Β')");
        QCOMPARE(column(c, "SELECT [2130-2200] FROM RANTEBOU WHERE HMEROMHNIA=#8/2/2010#"), QStringList({"Β"}));
        c.execute("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY) VALUES(1,40)");
        c.execute("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY) VALUES(2,25.5)");
        QCOMPARE(c.execute("UPDATE APODEIKSEIS SET EGKYRH=FALSE WHERE AR_APODEIKSHS=2"), 1);
        const QDate today = QDate::currentDate();
        const QString income = QStringLiteral("SELECT Format(sum(POSO_CY),'0.00') AS POSO, Format(sum(POSO_CY),'0.00') "
                                              "AS POSO_CY FROM APODEIKSEIS WHERE HMEROMHNIA BETWEEN #%1/%2/%3# AND "
                                              "#%1/%2/%3# AND EGKYRH=TRUE")
                                   .arg(today.month())
                                   .arg(today.day())
                                   .arg(today.year());
        QCOMPARE(column(c, income), QStringList({"40,00"}));
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(7)");
        c.execute("UPDATE LAST_APODEIKSH SET [LAST]=[LAST]+1");
        QCOMPARE(column(c, "SELECT [LAST] FROM LAST_APODEIKSH"), QStringList({"8"}));
        c.execute("UPDATE SECURITY SET [PASSWORD]='1234'");
        QCOMPARE(column(c, "SELECT * FROM SECURITY"), QStringList({"1234"}));
    }

    void measurementsFormattedWithComma_data() { EnginePractices::addRows(); }
    void measurementsFormattedWithComma()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        addChild(c, "Ν", "Α", QDate(2010, 5, 5));
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS) VALUES(1,#1/2/2011#,102.5,16)");
        const QString list = "SELECT ID, HMEROMHNIA, Format(BAROS,'0.00') AS BAROS, Format(YPSOS,'0.00') AS YPSOS "
                             "FROM SWMATOMETRIA WHERE ID=1 ORDER BY HMEROMHNIA";
        QCOMPARE(column(c, list, 2), QStringList({"16,00"}));
        QCOMPARE(column(c, list, 3), QStringList({"102,50"}));
    }

    // A text spliced into a statement through the one quoting routine stays a value, whatever
    // it holds: a quote, a percent, a backslash, a date-like or bracketed piece.
    void splicedTextsStayValues_data()
    {
        // clang-format off
        QTest::addColumn<jet::Engine>("engine");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("suffix");
        for (const auto &[engine, on] : EnginePractices::Engines) {
            QTest::addRow("%s: insert", on) << engine << "INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('νέα', %1)"
                                            << "SELECT PERIGRAFH FROM DIAITES WHERE TITLOS='νέα'" << "";
            QTest::addRow("%s: update", on) << engine << "UPDATE DIAITES SET PERIGRAFH=%1 WHERE TITLOS='άλλη'"
                                            << "SELECT PERIGRAFH FROM DIAITES WHERE TITLOS='άλλη'" << "";
            QTest::addRow("%s: where", on) << engine << "" << "SELECT TITLOS FROM DIAITES WHERE TITLOS=%1" << "";
            QTest::addRow("%s: like as the search builds it", on) << engine << ""
                                                                  << "SELECT TITLOS FROM DIAITES WHERE TITLOS LIKE%1" << "%";
        }
        // clang-format on
    }
    void splicedTextsStayValues()
    {
        QFETCH(QString, change);
        QFETCH(QString, query);
        QFETCH(QString, suffix);
        const QString value = "O'Brien 50% C:\\x \"y\" #1/2/2020# [PASSWORD] ' OR ''='";
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c(m_practices.newPractice(engine));
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,?)", {value, value});
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('άλλη','x')");
        // Not QString::arg, which warns about the queries that carry no mark.
        const auto splice = [](QString sql, const QString &text) { return sql.replace("%1", jet::quoted(text)); };
        if (!change.isEmpty())
            c.execute(splice(change, value));
        QCOMPARE(column(c, splice(query, value + suffix)), QStringList({value}));
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES WHERE TITLOS<>'νέα'").toInt(), 2); // nothing else touched
    }
};

QObject *newDialectTest()
{
    return new DialectTest;
}

#include "tst_dialect.moc"
