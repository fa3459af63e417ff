#include "data/connection.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/schema.h"
#include "data/vaccine_records.h"
#include "engine_practices.h"
#include "fixture.h"
#include "ui/messages.h"

#include <QDate>
#include <QTest>

#include <memory>

// Statements and results as both engines give them: the encrypted file of one seat and the
// practice's server. Each test runs once per engine; the server's rows skip with the reason
// where this machine has no server binaries.
namespace {

// The same small table on either engine; the server's keeps its hidden row key.
const char *const FileNotes = "CREATE TABLE NOTES (ID INTEGER PRIMARY KEY AUTOINCREMENT, TITLE TEXT(255) NOT NULL "
                              "UNIQUE, SEEN DATE, AMOUNT DOUBLE, BODY LONGTEXT)";
const char *const ServerNotes = "CREATE TABLE notes (velmora_row bigint GENERATED ALWAYS AS IDENTITY UNIQUE, "
                                "id serial PRIMARY KEY, title varchar(255) NOT NULL UNIQUE, seen date, "
                                "amount double precision, body text)";

} // namespace

class EnginesTest : public QObject {
    Q_OBJECT
    EnginePractices m_practices;
    QString m_practice;

    // A fresh NOTES table on the engine of the row, in a practice of its own.
    Connection connect(jet::Engine engine)
    {
        m_practice = m_practices.newPractice(engine);
        Connection c(m_practice);
        c.execute(engine == jet::Engine::SqlCipher ? FileNotes : ServerNotes);
        return c;
    }

    // A fresh practice on the engine of the row, made as a new one is made there.
    Connection connectPractice(jet::Engine engine)
    {
        m_practice = m_practices.newPractice(engine);
        return Connection(m_practice);
    }

    // A second seat on the data of the last connect().
    Connection secondSeat() { return Connection(m_practice); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_practices.start(&error), qPrintable(error));
    }

    void cleanupTestCase() { m_practices.stop(); }

    void valuesAreBoundAndReadBackByType_data() { EnginePractices::addRows(); }
    void valuesAreBoundAndReadBackByType()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        QCOMPARE(c.engine(), engine);
        const QString title = QStringLiteral("O'Brien; DROP TABLE NOTES -- ?");
        const qint64 first = c.insert("INSERT INTO NOTES(TITLE, SEEN, AMOUNT, BODY) VALUES(?,?,?,?)",
                                      {title, QDate(2024, 2, 29), 12.345, QVariant()});
        const qint64 second = c.insert("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Δεύτερη")});
        QVERIFY(second > first);
        QCOMPARE(c.scalar("SELECT TITLE FROM NOTES WHERE AMOUNT = ?", {12.345}).toString(), title);
        QCOMPARE(c.scalar("SELECT SEEN FROM NOTES WHERE TITLE = ?", {title}).toString(), QStringLiteral("2024-02-29"));
        QVERIFY(c.scalar("SELECT BODY FROM NOTES WHERE TITLE = ?", {title}).isNull());
        QCOMPARE(c.scalar("SELECT count(*) FROM NOTES").toInt(), 2);
        QVERIFY(!c.scalar("SELECT TITLE FROM NOTES WHERE TITLE = ?", {QStringLiteral("none")}).isValid());
        QCOMPARE(c.execute("UPDATE NOTES SET AMOUNT = ? WHERE AMOUNT IS NULL", {1.5}), 1);
        QCOMPARE(c.execute("DELETE FROM NOTES WHERE AMOUNT < ?", {2}), 1);
        QVERIFY_THROWS_EXCEPTION(DbError, c.scalar("SELECT TITLE FROM NOTES WHERE ID = ? AND TITLE = ?", {1}));
    }

    // Columns tell their table, origin and declared type; a computed one tells none.
    void resultsDescribeTheirColumns_data() { EnginePractices::addRows(); }
    void resultsDescribeTheirColumns()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        c.insert("INSERT INTO NOTES(TITLE, SEEN, AMOUNT) VALUES(?,?,?)", {QStringLiteral("Α"), QDate(2024, 1, 2), 3.25});
        DataSet set(c);
        set.setSql("SELECT TITLE, SEEN, AMOUNT, BODY, AMOUNT * 2 AS TWICE FROM NOTES");
        set.open();
        QCOMPARE(set.fieldCount(), 5);
        QCOMPARE(set.field(0).table.toUpper(), QStringLiteral("NOTES"));
        QCOMPARE(set.field(0).origin.toUpper(), QStringLiteral("TITLE"));
        QCOMPARE(set.field(0).type, FieldType::Text);
        QCOMPARE(set.field(0).size, 255);
        QCOMPARE(set.field(1).type, FieldType::Date);
        QCOMPARE(set.field(2).type, FieldType::Double);
        QCOMPARE(set.field(3).type, FieldType::Memo);
        QVERIFY(set.field(4).origin.isEmpty());
        QCOMPARE(set.field(4).type, FieldType::Double);
        QVERIFY(set.canModify());
        QCOMPARE(set.value("SEEN"), QVariant(QDate(2024, 1, 2)));
        QCOMPARE(set.value("TWICE").toDouble(), 6.5);
        QCOMPARE(set.value("TITLE").toString(), QStringLiteral("Α"));

        // The server's row key is no column of a whole table.
        set.setSql("SELECT * FROM NOTES");
        set.open();
        QCOMPARE(set.fieldCount(), 5);
        QCOMPARE(set.field(0).name.toUpper(), QStringLiteral("ID"));

        set.setSql("SELECT count(*) AS N FROM NOTES");
        set.open();
        QVERIFY(!set.canModify());
        QCOMPARE(set.value("N").toInt(), 1);
    }

    void refusalsNameTheirRule_data() { EnginePractices::addRows(); }
    void refusalsNameTheirRule()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Α")});
        const auto refusal = [&](const QVariant &title) {
            try {
                c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {title});
            } catch (const DbError &e) {
                return e;
            }
            return DbError(DbError::Kind::Other, QStringLiteral("stored"));
        };
        const DbError duplicate = refusal(QStringLiteral("Α"));
        QCOMPARE(duplicate.rule(), DbError::Rule::Unique);
        QCOMPARE(duplicate.table().toUpper(), QStringLiteral("NOTES"));
        QCOMPARE(duplicate.column().toUpper(), QStringLiteral("TITLE"));
        const DbError missing = refusal(QVariant());
        QCOMPARE(missing.rule(), DbError::Rule::Required);
        QCOMPARE(missing.column().toUpper(), QStringLiteral("TITLE"));
        QCOMPARE(c.scalar("SELECT count(*) FROM NOTES").toInt(), 1);
        try {
            c.execute("SELECT NOPE FROM NOTES");
            QFAIL("a missing column was not refused");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::MissingObject);
        }
    }

    // The server makes every name in small letters; what it gives back reads as the schema and
    // the statement spell it, so that messages and velmora-db's header read as on the file.
    void practiceNamesReadAsSpelled_data() { EnginePractices::addRows(); }
    void practiceNamesReadAsSpelled()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connectPractice(engine);
        DataSet set(c);
        set.setSql("SELECT S.ID, S.BAROS AS Baros_kg, COUNT(*) AS N FROM SWMATOMETRIA S GROUP BY S.ID, S.BAROS");
        set.open();
        QCOMPARE(set.field(0).name, QStringLiteral("ID"));
        QCOMPARE(set.field(1).name, QStringLiteral("Baros_kg"));
        QCOMPARE(set.field(2).name, QStringLiteral("N"));
        set.setSql("SELECT * FROM STOIXEIA_PAIDIOY");
        set.open();
        QCOMPARE(set.field(1).name, QStringLiteral("ONOMA"));
        QCOMPARE(set.field(1).table, QStringLiteral("STOIXEIA_PAIDIOY"));
        QCOMPARE(set.field(1).origin, QStringLiteral("ONOMA"));
        try {
            c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                      "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
                      "VALUES('Νίκος','Παπαδάκης',#1/2/2020#,'Π','Μ','Κ','Ερμού 5','2101234567')");
            QFAIL("a child without a sex was stored");
        } catch (const DbError &e) {
            QCOMPARE(e.rule(), DbError::Rule::Required);
            QCOMPARE(e.table(), QStringLiteral("STOIXEIA_PAIDIOY"));
            QCOMPARE(e.column(), QStringLiteral("FYLO"));
        }
    }

    // Together or not at all; a failed statement in a transaction leaves it to be rolled back.
    void transactionsStandOrFallTogether_data() { EnginePractices::addRows(); }
    void transactionsStandOrFallTogether()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        {
            Transaction t(c);
            c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Α")});
            QVERIFY(c.inTransaction());
            QVERIFY_THROWS_EXCEPTION(DbError, c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Α")}));
        }
        QVERIFY(!c.inTransaction());
        QCOMPARE(c.scalar("SELECT count(*) FROM NOTES").toInt(), 0);
        {
            Transaction t(c);
            c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Β")});
            t.commit();
        }
        {
            Transaction reading(c, Transaction::Kind::Read);
            QCOMPARE(c.scalar("SELECT count(*) FROM NOTES").toInt(), 1);
            reading.commit();
        }
        QCOMPARE(c.scalar("SELECT TITLE FROM NOTES").toString(), QStringLiteral("Β"));
    }

    // A row stored through a data set shows its new number at once; a row another seat
    // changed since it was read is refused and read again, never overwritten.
    void dataSetsStoreAndRefuseStaleRows_data() { EnginePractices::addRows(); }
    void dataSetsStoreAndRefuseStaleRows()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        Connection other = secondSeat();
        DataSet set(c);
        set.setTableName("NOTES");
        set.open();
        QVERIFY(set.canModify());
        set.insert();
        set.setValue("TITLE", QStringLiteral("Α"));
        set.setValue("SEEN", QDate(2024, 3, 1));
        set.post();
        QCOMPARE(set.value("ID").toInt(), 1);
        set.edit();
        set.setValue("AMOUNT", 2.5);
        set.post();
        QCOMPARE(other.scalar("SELECT AMOUNT FROM NOTES WHERE ID = 1").toDouble(), 2.5);

        set.edit();
        set.setValue("TITLE", QStringLiteral("from the first seat"));
        other.execute("UPDATE NOTES SET TITLE = ? WHERE ID = 1", {QStringLiteral("from the second seat")});
        try {
            set.post();
            QFAIL("a stale row was overwritten");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::ChangedElsewhere);
        }
        QCOMPARE(set.value("TITLE").toString(), QStringLiteral("from the second seat"));
        QCOMPARE(other.scalar("SELECT TITLE FROM NOTES WHERE ID = 1").toString(), QStringLiteral("from the second seat"));
        set.remove();
        QCOMPARE(other.scalar("SELECT count(*) FROM NOTES").toInt(), 0);
    }

    // A practice of an earlier version is brought up to date by the same steps on either
    // engine, keeps its rows, and passes the start-up check; one of a newer version is refused
    // with the start-up message of a newer file.
    void olderPracticesAreUpgradedNewerOnesRefused_data() { EnginePractices::addRows(); }
    void olderPracticesAreUpgradedNewerOnesRefused()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connectPractice(engine);
        c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                  "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
                  "VALUES('Ν','Α','ΑΡΡΕΝ',#1/1/2010#,'Π','Μ','Κ','Δ','1')");
        // As the first version left it: no head circumference, no schedule tables.
        schema::Table first = *schema::findTable("SWMATOMETRIA");
        first.columns.pop_back();
        c.execute("DROP TABLE SWMATOMETRIA");
        c.execute(schema::createTableStatement(first, engine));
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS) VALUES(1,#3/1/2011#,80.5,10.25)");
        for (const char *table : {"EMBOLIA_EPIPLEON", "EMBOLIA_SKEYASMATA", "EMBOLIA_KANONES", "EMBOLIA_DOSEIS",
                                  "EMBOLIA_PROGRAMMATA"})
            c.execute(QStringLiteral("DROP TABLE %1").arg(table));
        Statement(c, schema::versionUpdate(engine, 1)).step();
        QVERIFY_THROWS_EXCEPTION(DbError, schema::verify(c));

        schema::upgrade(c);
        schema::verify(c);
        QCOMPARE(c.scalar(schema::versionQuery(engine)).toInt(), schema::Version);
        QCOMPARE(c.scalar("SELECT Format(YPSOS,'0.00') FROM SWMATOMETRIA").toString(), QString("80,50"));
        QVERIFY(c.scalar("SELECT PERIMETROS_KEFALHS FROM SWMATOMETRIA").isNull());
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EMBOLIA_PROGRAMMATA").toInt(), 1);
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID,SEIRA,DOSH) VALUES(1,'HEPB',4)");
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID,DOSH) VALUES(1,4)"));
        if (engine == jet::Engine::Postgres) // the new tables announce their changes as the others do
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM pg_trigger WHERE tgname = 'embolia_epipleon_changes'").toInt(), 1);

        Statement(c, schema::versionUpdate(engine, schema::Version + 1)).step();
        try {
            schema::upgrade(c);
            QFAIL("a newer practice was accepted");
        } catch (const DbError &e) {
            QCOMPARE(messages::reason(e), "Το αρχείο δεδομένων γράφτηκε από νεότερη έκδοση του προγράμματος.");
        }
    }

    // A child's certificate reads the row's dose columns and the doses beside them, the given
    // elsewhere mark included, and lists them from the connection's own temporary table.
    void vaccinationCertificateRows_data() { EnginePractices::addRows(); }
    void vaccinationCertificateRows()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connectPractice(engine);
        const int id = addChild(c, "Μαρία", "Βήτα", QDate(2026, 1, 10));
        c.execute("UPDATE STOIXEIA_PAIDIOY SET HPATITIDA_B1 = ? WHERE ID = ?", {QDate(2026, 1, 11), id});
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, SKEYASMA, ALLOU) VALUES(?, 'HEPB', 2, ?, 'HepB', ?)",
                  {id, QDate(2026, 3, 10), true});
        c.execute("INSERT INTO EMBOLIA_EPIPLEON(ID, SEIRA, DOSH, HMEROMHNIA, MH_XORHGHSH) VALUES(?, 'PCV', 1, ?, 'Άρνηση')",
                  {id, QDate(2026, 3, 10)});
        QCOMPARE(vaccine_records::writeCertificate(c, id), 2);
        DataSet lines(c);
        lines.setSql("SELECT EMBOLIO, DOSH, HMEROMHNIA, SKEYASMA, SHMEIWSH FROM EMBOLIA_BEBAIWSH ORDER BY SEIRA_AR");
        lines.open();
        QStringList read;
        for (int r = 0; r < lines.recordCount(); ++r)
            read << QStringList{lines.value(r, 0).toString(), lines.value(r, 1).toString(), displayText(lines.value(r, 2)),
                                lines.value(r, 3).toString(), lines.value(r, 4).toString()}
                        .join('|');
        QCOMPARE(read, (QStringList{"Ηπατίτιδα Β|1|11/1/2026||", "Ηπατίτιδα Β|2|10/3/2026|HepB|Έγινε αλλού"}));
    }

    // An empty database on the server is not taken for a practice.
    void anEmptyServerDatabaseIsNoPractice()
    {
        SKIP_UNAVAILABLE_ENGINE(m_practices, jet::Engine::Postgres);
        QString error;
        m_practices.server().query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE nothing_yet"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        Connection c(QStringLiteral("Data Source=%1").arg(m_practices.server().uri(QStringLiteral("nothing_yet"))));
        try {
            schema::upgrade(c);
            QFAIL("an empty database was taken for a practice");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::MissingObject);
        }
    }

    // The server drops the seat (a restart, a cable): one refusal naming the server, and the
    // next opening works again without a new program.
    void aSeatWhoseServerWentAwayGoesOnOnceItIsBack()
    {
        SKIP_UNAVAILABLE_ENGINE(m_practices, jet::Engine::Postgres);
        Connection c = connect(jet::Engine::Postgres);
        c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Α")});
        const QString backend = c.scalar("SELECT pg_backend_pid()").toString();
        QString error;
        m_practices.server().query(m_practices.lastServerDatabase(), "SELECT pg_terminate_backend(" + backend + ")", &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        try {
            c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Β")});
            QFAIL("a store on a lost server was taken as done");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::ServerGone);
            QCOMPARE(e.server(), m_practices.server().socketDirectory());
        }
        c.open();
        c.execute("INSERT INTO NOTES(TITLE) VALUES(?)", {QStringLiteral("Β")});
        QCOMPARE(c.scalar("SELECT count(*) FROM NOTES").toInt(), 2);
    }
};

QObject *newEnginesTest() { return new EnginesTest; }

#include "tst_engines.moc"
