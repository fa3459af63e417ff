#include "data/change_listener.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/greek_text.h"
#include "data/jet_dialect.h"
#include "data/schema.h"
#include "fixture.h"
#include "postgres_server.h"

#include <QDate>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>

#include <algorithm>

#include <QTest>

#include <libpq-fe.h>

// The private server the tests of the server side run against, and a practice's database on it.
class ServerTest : public QObject {
    Q_OBJECT
    PostgresServer m_server;

    // Runs Jet statements on a fresh practice database, in a transaction rolled back after.
    struct Practice {
        PostgresSession session;
        explicit Practice(const QString &uri) : session(uri) { session.run("BEGIN"); }
        ~Practice() { session.run("ROLLBACK"); }
        bool run(const QString &jet, const QVariantList &values = {})
        {
            return session.run(jet::translate(jet, jet::Engine::Postgres), values);
        }
    };

private slots:
    void initTestCase()
    {
        START_POSTGRES_OR_SKIP(m_server);
        QString error;
        QVERIFY2(m_server.createPractice("practice", &error), qPrintable(error));
    }

    // The version lives in a one-row table; a newer one is refused as a newer file is.
    void practiceKeepsItsVersion()
    {
        Practice practice(m_server.uri("practice"));
        QVERIFY(practice.session.run(schema::versionQuery(jet::Engine::Postgres)));
        QCOMPARE(schema::acceptedVersion(practice.session.column().value(0).toInt()), schema::Version);
        QVERIFY(!practice.session.run(
            QStringLiteral("INSERT INTO %1(version) VALUES (1)").arg(QLatin1String(schema::ServerVersionTable))));
        QVERIFY(practice.session.run("ROLLBACK"));
        QVERIFY(practice.session.run("BEGIN"));
        QVERIFY(practice.session.run(schema::versionUpdate(jet::Engine::Postgres, schema::Version + 1)));
        QVERIFY(practice.session.run(schema::versionQuery(jet::Engine::Postgres)));
        try {
            schema::acceptedVersion(practice.session.column().value(0).toInt());
            QFAIL("a newer server accepted");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::NewerVersion);
        }
    }

    // A practice is made only in an empty database: a second making changes nothing, and the
    // made one starts with the delivered rows and is current for the program.
    void practiceIsMadeOnceWithItsDeliveredRows()
    {
        Connection connection(QStringLiteral("Data Source=%1").arg(m_server.uri("practice")));
        try {
            schema::createServerPractice(connection);
            QFAIL("a practice made twice");
        } catch (const DbError &) {
        }
        schema::upgrade(connection);
        QCOMPARE(connection.scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
        QCOMPARE(connection.scalar("SELECT COUNT(*) FROM EMBOLIA_PROGRAMMATA").toInt(), 1);
        QVERIFY(connection.scalar("SELECT COUNT(*) FROM EMBOLIA_DOSEIS").toInt() > 0);
    }

    // Every table has the hidden key; where the table numbers its rows the key is the number,
    // so the number just given names the row just added.
    void everyRowHasItsHiddenKey()
    {
        Practice practice(m_server.uri("practice"));
        QVERIFY(practice.session.run("SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' "
                                     "AND table_name NOT LIKE 'velmora\\_%' AND table_name NOT IN (SELECT table_name "
                                     "FROM information_schema.columns WHERE column_name = 'velmora_row')"));
        QCOMPARE(practice.session.column(), QStringList());
        QVERIFY2(practice.run("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                              "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
                              "VALUES('Ν','Α','ΑΡΡΕΝ',?,'Π','Μ','Κ','Δ','1')",
                              {"2010-05-05"}),
                 qPrintable(practice.session.error()));
        QVERIFY(practice.run("SELECT last_insert_rowid()"));
        const QString id = practice.session.column().value(0);
        QVERIFY(practice.run("SELECT ID, rowid, HMEROMHNIA_GENNHSEWS FROM STOIXEIA_PAIDIOY"));
        QCOMPARE(practice.session.rows(), QList<QStringList>({{id, id, "2010-05-05"}}));
        QVERIFY(practice.run("INSERT INTO RANTEBOU(HMEROMHNIA,[0800-0830]) VALUES(#8/2/2010#,'Α')"));
        QVERIFY(practice.run(jet::withRowId("SELECT [0800-0830] FROM RANTEBOU", jet::Engine::Postgres)));
        QCOMPARE(practice.session.rows().value(0).value(1), QStringLiteral("Α"));
        QVERIFY(!practice.session.rows().value(0).value(0).isEmpty());
    }

    void refusesWhatTheFileRefuses_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("refusal"); // in the server's message
        QTest::newRow("a receipt number twice")
            << QStringList{"INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO) VALUES(5,10)",
                           "INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO) VALUES(5,20)"}
            << "apodeikseis_ar";
        QTest::newRow("a blank required text")
            << QStringList{"INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2020#,1,0,'  ')"}
            << "required:eksoda.perigrafh";
        QTest::newRow("a missing required date")
            << QStringList{"INSERT INTO EKSODA(POSO,VAT,PERIGRAFH) VALUES(1,0,'x')"} << "hmeromhnia";
        QTest::newRow("a text too long")
            << QStringList{"INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2020#,1,0,'" +
                           QString(256, QChar(0x3B1)) + "')"}
            << "255";
        QTest::newRow("yes/no beyond 0 and 1")
            << QStringList{"INSERT INTO APODEIKSEIS(AR_APODEIKSHS,EGKYRH) VALUES(6,2)"} << "yesno:apodeikseis.egkyrh";
        QTest::newRow("an impossible date")
            << QStringList{"INSERT INTO YPENTHIMISEIS(HMEROMHNIA) VALUES('2021-02-30')"} << "out of range";
        QTest::newRow("a visit of no child")
            << QStringList{"INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(999,#1/1/2020#,'α','β')"}
            << "foreign key";
        QTest::newRow("a second appointment row for a day")
            << QStringList{"INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#1/1/2020#)",
                           "INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#1/1/2020#)"}
            << "unique";
    }
    void refusesWhatTheFileRefuses()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, refusal);
        Practice practice(m_server.uri("practice"));
        const QString last = statements.takeLast();
        for (const QString &statement : statements)
            QVERIFY2(practice.run(statement), qPrintable(practice.session.error()));
        QVERIFY(!practice.run(last));
        QVERIFY2(practice.session.error().contains(refusal, Qt::CaseInsensitive), qPrintable(practice.session.error()));
    }

    // A change committed on one seat reaches another seat that listens within a second; one
    // rolled back reaches nobody.
    void changesReachOtherSeats_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("table");
        QTest::newRow("an appointment booked") << "INSERT INTO RANTEBOU(HMEROMHNIA,[0900-0930]) VALUES(#3/2/2026#,'Α')"
                                               << "RANTEBOU";
        QTest::newRow("an appointment changed") << "UPDATE RANTEBOU SET [0900-0930]='Β' WHERE HMEROMHNIA=#3/1/2026#"
                                                << "RANTEBOU";
        QTest::newRow("an appointment cleared") << "DELETE FROM RANTEBOU WHERE HMEROMHNIA=#3/1/2026#"
                                                << "RANTEBOU";
        QTest::newRow("a new child") << "INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,"
                                        "ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,"
                                        "THLEFWNO_1) VALUES('Ν','Α','ΑΡΡΕΝ',#5/5/2010#,'Π','Μ','Κ','Δ','1')"
                                     << "STOIXEIA_PAIDIOY";
    }
    void changesReachOtherSeats()
    {
        QFETCH(QString, change);
        QFETCH(QString, table);
        PostgresSession reception(m_server.uri("practice")), doctor(m_server.uri("practice"));
        QVERIFY2(reception.run(jet::translate("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#3/1/2026#)", jet::Engine::Postgres)),
                 qPrintable(reception.error()));
        QVERIFY(doctor.run(QStringLiteral("LISTEN %1").arg(QLatin1String(jet::ServerChangeChannel))));
        const auto cleanUp = qScopeGuard([&] {
            reception.run("DELETE FROM rantebou");
            reception.run("DELETE FROM stoixeia_paidioy");
        });

        QVERIFY(reception.run("BEGIN"));
        QVERIFY2(reception.run(jet::translate(change, jet::Engine::Postgres)), qPrintable(reception.error()));
        QVERIFY(reception.run("ROLLBACK"));
        QCOMPARE(doctor.notifications(300), QStringList());

        QVERIFY2(reception.run(jet::translate(change, jet::Engine::Postgres)), qPrintable(reception.error()));
        QElapsedTimer arrival;
        arrival.start();
        QCOMPARE(doctor.notifications(1000), QStringList{table});
        QVERIFY(arrival.elapsed() < 1000);
    }

    // The program's listener hears another seat's store within a second. Dropped by the server
    // (a restart), it listens again at the next action and tells that changes may have been
    // missed meanwhile. A practice in a file has nobody else to hear.
    void theListenerHearsOtherSeatsAndListensAgain()
    {
        ChangeListener listener;
        const TestPractice file;
        QVERIFY(listener.follow(file.connectionString()));
        QVERIFY(!listener.isListening());

        const QString practice = QStringLiteral("Data Source=") + m_server.uri("practice");
        QVERIFY(listener.follow(practice));
        QVERIFY(listener.isListening());
        QSignalSpy heard(&listener, &ChangeListener::changed);
        Connection otherSeat(practice);
        const auto cleanUp = qScopeGuard([&] { otherSeat.execute("DELETE FROM RANTEBOU"); });
        otherSeat.execute("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#3/1/2026#)");
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty(), 1000);
        QCOMPARE(heard.takeFirst(), QVariantList{QString("RANTEBOU")});

        QString error;
        m_server.query("practice", "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE query LIKE 'LISTEN%'", &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(!listener.isListening(), 5000);
        QVERIFY(heard.isEmpty());
        QVERIFY(listener.follow(practice));
        QVERIFY(listener.isListening());
        QCOMPARE(heard.takeFirst(), QVariantList{QString()});
        otherSeat.execute("UPDATE RANTEBOU SET [0800-0830]='Α'");
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty(), 1000);
        QCOMPARE(heard.takeFirst(), QVariantList{QString("RANTEBOU")});
    }

    // Names sort on the server as the program's own collation sorts them: folded first (case and
    // accents aside, final sigma as sigma, Latin before Greek), then by their exact characters.
    void namesSortAsTheProgramSortsThem()
    {
        QStringList names = {"Άλφα", "ΑΛΦΑ", "άλφα", "Αλφα", "αλφα", "Ἀλφα", "Ωραίος", "ωραιος", "Βήτα", "βητα",
                             "Adams", "adams", "Ádams", "Zoe", "zoë", "Éva", "eva", "Σίσυφος", "σισυφος", "Σισυφοσ",
                             "Ϊάσων", "Ιάσων", "ιασων", "Ευαγγελία", "Ευάγγελος", "Παπα Δάκης", "Παπαδάκης",
                             "Παπα-Δάκης", "Γεωργίου", "Γεώργιος", "ΓΕΩΡΓΙΟΥ", "1ος", "Β2", "Β10", "", " Α", "Ο'Νιλ",
                             "Ψ", "ψ", "Smith", "SMITH", "smith"};
        QStringList values;
        for (int i = 0; i < names.size(); ++i)
            values << QStringLiteral("(%1)").arg(jet::quoted(names[i]));
        PostgresSession session(m_server.uri("practice"));
        QVERIFY2(session.run(QStringLiteral("SELECT n FROM (VALUES %1) AS t(n) ORDER BY n COLLATE %2")
                                 .arg(values.join(','), QLatin1String(jet::ServerGreekCollation))),
                 qPrintable(session.error()));
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return greek::compare(a, b) < 0; });
        QCOMPARE(session.column(), names);
    }

    // WHO_Z, WHO_CENTILE, WHO_READING and AGE_TEXT give on the server what they give in the file.
    void growthReadingsAsInTheFile_data()
    {
        QTest::addColumn<QString>("indicator");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QDate>("measured");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("height"); // none: the five-argument form
        const QDate born(2020, 1, 1);
        const QVariant none;
        QTest::newRow("weight at birth") << "wfa"
                                         << "ΑΡΡΕΝ" << born << born << QVariant(3.3) << none;
        QTest::newRow("weight by day") << "wfa"
                                       << "ΘΗΛΥ" << born << born.addDays(200) << QVariant(7.5) << none;
        QTest::newRow("height, standard") << "lhfa"
                                          << "ΑΡΡΕΝ" << born << born.addYears(3) << QVariant(95.0) << none;
        QTest::newRow("height by month, between months")
            << "lhfa"
            << "θηλυ" << born << born.addDays(3750) << QVariant(140.2) << none;
        QTest::newRow("weight by month") << "wfa"
                                         << "2" << born << born.addDays(2500) << QVariant(21.0) << none;
        QTest::newRow("bmi from weight and height")
            << "bmifa"
            << "1" << born << born.addYears(7) << QVariant(25.0) << QVariant(120.0);
        QTest::newRow("bmi as given") << "BMIFA"
                                      << "ΑΡΡΕΝ" << born << born.addDays(400) << QVariant(16.5) << none;
        QTest::newRow("head") << "hcfa"
                              << "ΘΗΛΥ" << born << born.addDays(90) << QVariant(39.0) << none;
        QTest::newRow("weight for length, between tenths")
            << "wflh"
            << "ΑΡΡΕΝ" << born << born.addDays(500) << QVariant(10.2) << QVariant(80.35);
        QTest::newRow("weight for height") << "wflh"
                                           << "ΘΗΛΥ" << born << born.addDays(800) << QVariant(13.0)
                                           << QVariant(90.0);
        QTest::newRow("far above, restricted") << "wfa"
                                               << "ΑΡΡΕΝ" << born << born.addYears(1) << QVariant(20.0) << none;
        QTest::newRow("far below, restricted") << "wfa"
                                               << "ΘΗΛΥ" << born << born.addYears(2) << QVariant(6.0) << none;
        QTest::newRow("height far off, implausible")
            << "lhfa"
            << "ΑΡΡΕΝ" << born << born.addYears(2) << QVariant(40.0) << none;
        QTest::newRow("height only counts for bmi")
            << "wfa"
            << "ΑΡΡΕΝ" << born << born.addDays(100) << QVariant(6.0) << QVariant(60.0);
        QTest::newRow("beyond the references") << "wfa"
                                               << "ΑΡΡΕΝ" << born << born.addYears(20) << QVariant(60.0) << none;
        QTest::newRow("head beyond five years") << "hcfa"
                                                << "ΑΡΡΕΝ" << born << born.addYears(6) << QVariant(50.0) << none;
        QTest::newRow("weight for height past five years")
            << "wflh"
            << "ΑΡΡΕΝ" << born << born.addDays(1900) << QVariant(18.0) << QVariant(110.0);
        QTest::newRow("weight for length without it") << "wflh"
                                                      << "ΑΡΡΕΝ" << born << born.addDays(100) << QVariant(6.0)
                                                      << none;
        QTest::newRow("bmi with a missing height")
            << "bmifa"
            << "ΑΡΡΕΝ" << born << born.addDays(400) << QVariant(10.0) << QVariant(QMetaType(QMetaType::Double));
        QTest::newRow("unknown sex") << "wfa"
                                     << "Χ" << born << born.addDays(10) << QVariant(4.0) << none;
        QTest::newRow("unknown indicator") << "xyz"
                                           << "ΑΡΡΕΝ" << born << born.addDays(10) << QVariant(4.0) << none;
        QTest::newRow("before birth") << "wfa"
                                      << "ΑΡΡΕΝ" << born << born.addDays(-1) << QVariant(4.0) << none;
        QTest::newRow("no weight") << "wfa"
                                   << "ΑΡΡΕΝ" << born << born.addDays(10) << QVariant(0.0) << none;
        QTest::newRow("a month's last day") << "wfa"
                                            << "ΑΡΡΕΝ" << QDate(2020, 1, 31) << QDate(2020, 3, 1)
                                            << QVariant(4.5) << none;
    }
    void growthReadingsAsInTheFile()
    {
        QFETCH(QString, indicator);
        QFETCH(QString, sex);
        QFETCH(QDate, birth);
        QFETCH(QDate, measured);
        QFETCH(QVariant, value);
        QFETCH(QVariant, height);
        QVariantList values = {indicator, sex, birth, measured, value};
        if (height.isValid())
            values << height;
        const QString arguments = height.isValid() ? "?1,?2,?3,?4,?5,?6" : "?1,?2,?3,?4,?5";
        const QString jet = QStringLiteral("SELECT WHO_Z(%1), WHO_CENTILE(%1), WHO_READING(%1), AGE_TEXT(?3,?4)").arg(arguments);

        TestPractice file;
        Connection connection = file.connect();
        Statement statement(connection, jet::translate(jet));
        statement.bind(values);
        QVERIFY(statement.step());
        Practice server(m_server.uri("practice"));
        QVERIFY2(server.run(jet, values), qPrintable(server.session.error()));
        const QStringList answer = server.session.rows().value(0);
        for (int column : {0, 1}) {
            const QVariant expected = statement.value(column);
            if (expected.isNull()) {
                QCOMPARE(answer.value(column), QString());
                continue;
            }
            const double found = answer.value(column).toDouble();
            QVERIFY2(qAbs(found - expected.toDouble()) <= 1e-9 * qMax(1.0, qAbs(expected.toDouble())),
                     qPrintable(QStringLiteral("%1 on the server, %2 in the file")
                                    .arg(answer.value(column), expected.toString())));
        }
        QCOMPARE(answer.value(2), statement.value(2).toString());
        QCOMPARE(answer.value(3), statement.value(3).toString());
    }

    // The register's search by the start of a surname is served by the index on the fold.
    void surnameSearchUsesTheFoldIndex()
    {
        Practice practice(m_server.uri("practice"));
        QVERIFY(practice.session.run("SET LOCAL enable_seqscan = off"));
        QVERIFY2(practice.run("EXPLAIN SELECT ID FROM STOIXEIA_PAIDIOY WHERE " + schema::searchedSurname() + " LIKE 'Πά%'"),
                 qPrintable(practice.session.error()));
        QVERIFY2(practice.session.column().join('\n').contains("stoixeia_paidioy_epwnymo_fold"),
                 qPrintable(practice.session.column().join('\n')));
    }

    void answersOnItsSocketOnly()
    {
        PGconn *connection = PQconnectdb(m_server.uri().toUtf8().constData());
        QCOMPARE(PQstatus(connection), CONNECTION_OK);
        PGresult *result = PQexec(connection, "SELECT 1");
        QCOMPARE(PQresultStatus(result), PGRES_TUPLES_OK);
        QCOMPARE(QByteArray(PQgetvalue(result, 0, 0)), QByteArray("1"));
        PQclear(result);
        PQfinish(connection);
        QCOMPARE(m_server.query("velmora", "SHOW listen_addresses"), QString());
    }

    // Latin before Greek, case and accents only between otherwise equal texts.
    void sortsInTheGreekCollation()
    {
        QString error;
        const QString sorted = m_server.query(
            "velmora",
            "SELECT string_agg(n, ',' ORDER BY n) FROM (VALUES ('Ωμέγα'), ('άλφα'), ('Zeta'), ('Άλφα'), ('alpha'), "
            "('Βήτα')) AS t(n)",
            &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sorted, QStringLiteral("alpha,Zeta,Άλφα,άλφα,Βήτα,Ωμέγα"));
    }

    void stopsWithItsObject()
    {
        const QString socket = m_server.socketDirectory() + "/.s.PGSQL." + QString::number(m_server.port());
        QVERIFY(QFile::exists(socket));
        {
            PostgresServer second;
            QString error;
            QVERIFY2(second.start(&error), qPrintable(error));
            QCOMPARE(second.query("velmora", "SELECT 2"), QStringLiteral("2"));
            QVERIFY(second.socketDirectory() != m_server.socketDirectory());
        }
        QCOMPARE(m_server.query("velmora", "SELECT 3"), QStringLiteral("3"));
    }
};

QObject *newServerTest() { return new ServerTest; }

#include "tst_server.moc"
