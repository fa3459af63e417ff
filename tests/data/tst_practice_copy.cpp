#include "data/connection.h"
#include "data/db_error.h"
#include "data/global.h"
#include "data/jet_dialect.h"
#include "data/practice_copy.h"
#include "data/schema.h"
#include "fixture.h"
#include "postgres_server.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

namespace {

QString dataSource(const QString &where)
{
    return QStringLiteral("Data Source=%1").arg(where);
}

// velmora-db as an administrator runs it, the passwords in its environment.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QProcessEnvironment toolEnvironment(const QString &newPassword = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELMORA_PASSWORD", DbPassword);
    environment.insert("VELMORA_SERVER_PASSWORD", "");
    if (!newPassword.isEmpty())
        environment.insert("VELMORA_NEW_PASSWORD", newPassword);
    return environment;
}

ToolRun runTool(const QStringList &arguments, const QProcessEnvironment &environment = toolEnvironment())
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(VELMORA_DB), arguments);
    tool.waitForFinished(600000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
}

// A practice of some size, written in bulk: children with visits, growth measurements and
// receipts, some columns left empty, Greek texts with accents and apostrophes, amounts with
// and without decimals, and numbers given and then deleted (a number is never given twice).
void fillPractice(Connection &c, int children)
{
    const auto prepared = [&c](const QString &jet) { return std::make_unique<Statement>(c, jet::translate(jet)); };
    Transaction t(c);
    auto child = prepared("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                          "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,THLEFWNO_2,"
                          "HPATITIDA_B1,ISTORIKO) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    auto visit = prepared("INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(?,?,?,?)");
    auto growth = prepared("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS,PERIMETROS_KEFALHS) VALUES(?,?,?,?,?)");
    auto income = prepared("INSERT INTO EISPRAKSH_PELATH(ID,POSO,PERIGRAFH,TAMEIO,POSO_CY,AR_APODEIKSHS,HMEROMHNIA) "
                           "VALUES(?,?,?,?,?,?,?)");
    auto receipt = prepared("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,HMEROMHNIA,ONOMA_PAIDIOY,EPWNYMO_PAIDIOY,"
                            "PARALHPTHS,POSO,TAMEIO,POSO_CY,PERIGRAFH,EGKYRH) VALUES(?,?,?,?,?,?,?,?,?,?)");
    const auto run = [](Statement &s, const QVariantList &values) {
        s.bind(values);
        s.step();
        s.reset();
    };
    QRandomGenerator random(22);
    const QStringList surnames = {"Παπαδάκης", "Ντ'Αμίκο", "Οικονόμου", "Ψαράς", "Σμιθ"};
    for (int i = 1; i <= children; ++i) {
        const QString surname = surnames.at(i % surnames.size()) + (i % 7 ? QString() : QString::number(i));
        const QDate birth = QDate(2008, 1, 1).addDays(random.bounded(6000));
        run(*child, {i % 2 ? "Νίκος" : "Ελένη", surname, i % 2 ? "ΑΡΡΕΝ" : "ΘΗΛΥ", birth, "Γιώργος " + surname,
                     "Μαρία " + surname, "Γιώργος " + surname, "Ερμού 5, Αθήνα", "2101234567",
                     i % 3 ? QVariant() : QVariant("6971234567"), i % 4 ? QVariant() : QVariant(birth.addMonths(2)),
                     i % 5 ? QVariant() : QVariant("Αλλεργία στην πενικιλίνη.\nΆσθμα: «ήπιο»")});
        for (int v = 0; v < 2; ++v)
            run(*visit, {i, birth.addDays(30 + v * 200), "Εμβόλιο", QString("Καλή γενική κατάσταση %1").arg(v)});
        run(*growth, {i, birth.addDays(100), 61.5, 6.25, i % 2 ? QVariant() : QVariant(40.1)});
        const double amount = i % 3 ? 30.05 : 40; // 40 kept as a whole number in the file
        run(*income, {i, amount, "Επίσκεψη", "ΕΟΠΥΥ", amount, i, birth.addDays(30)});
        run(*receipt, {i, birth.addDays(30), "Νίκος", surname, "Μητέρα", amount, "ΕΟΠΥΥ", amount, "Επίσκεψη",
                       i % 50 ? 1 : 0});
    }
    c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(?)", {children + 1});
    c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Δίαιτα','x')");
    c.execute("DELETE FROM DIAITES");
    t.commit();
}

} // namespace

class PracticeCopyTest : public QObject {
    Q_OBJECT
    PostgresServer m_server;
    std::unique_ptr<TestPractice> m_practice;
    practice_copy::Summary m_fileSummary;
    int m_databases = 0;

    // A new empty database on the server, as the server's administrator makes it.
    QString newDatabase()
    {
        const QString name = QStringLiteral("practice%1").arg(++m_databases);
        QString error;
        if (!m_server.createDatabase(name, &error))
            qFatal("%s", qPrintable(error));
        return m_server.uri(name);
    }

    int tablesIn(const QString &uri)
    {
        PostgresSession session(uri);
        session.run("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE schemaname = 'public'");
        return session.column().value(0).toInt();
    }

private slots:
    void initTestCase()
    {
        START_POSTGRES_OR_SKIP(m_server);
        m_practice = std::make_unique<TestPractice>();
        Connection c = m_practice->connect();
        fillPractice(c, 20000);
        m_fileSummary = practice_copy::summarize(c);
    }

    void cleanupTestCase() { m_practice.reset(); }

    // The file moved onto the server holds the same rows, read back value for value, and goes
    // on numbering where the file stopped.
    void aMigratedPracticeHoldsTheFilesRows()
    {
        const QString uri = newDatabase();
        const ToolRun run = runTool({"migrate", m_practice->dataFile(), uri});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.contains("STOIXEIA_PAIDIOY\t20000\n"));
        QVERIFY(run.err.contains("100%"));

        Connection server(dataSource(uri));
        QCOMPARE(practice_copy::summarize(server), m_fileSummary);
        const QVariantList seventh = {7};
        QCOMPARE(server.scalar("SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE ID=?", {1}).toString(), "Ντ'Αμίκο");
        QCOMPARE(server.scalar("SELECT EPWNYMO FROM STOIXEIA_PAIDIOY WHERE ID=?", seventh).toString(), "Οικονόμου7");
        QCOMPARE(server.scalar("SELECT ISTORIKO FROM STOIXEIA_PAIDIOY WHERE ID=?", {5}).toString(),
                 "Αλλεργία στην πενικιλίνη.\nΆσθμα: «ήπιο»");
        QVERIFY(server.scalar("SELECT THLEFWNO_2 FROM STOIXEIA_PAIDIOY WHERE ID=?", seventh).isNull());
        QVERIFY(server.scalar("SELECT PERIMETROS_KEFALHS FROM SWMATOMETRIA WHERE ID=?", seventh).isNull());
        Connection file = m_practice->connect();
        QCOMPARE(server.scalar("SELECT HMEROMHNIA_GENNHSEWS FROM STOIXEIA_PAIDIOY WHERE ID=?", seventh),
                 file.scalar("SELECT HMEROMHNIA_GENNHSEWS FROM STOIXEIA_PAIDIOY WHERE ID=?", seventh));
        QCOMPARE(server.scalar("SELECT Format(SUM(POSO),'0.00') FROM EISPRAKSH_PELATH").toString(),
                 file.scalar("SELECT Format(SUM(POSO),'0.00') FROM EISPRAKSH_PELATH").toString());
        QCOMPARE(server.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), 20001);
        QCOMPARE(server.insert("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Νέα','x')"),
                 file.scalar("SELECT seq FROM sqlite_sequence WHERE name='DIAITES'").toLongLong() + 1);
    }

    // A database that holds anything is left as it is.
    void aDatabaseInUseIsRefused()
    {
        const QString uri = newDatabase();
        PostgresSession(uri).run("CREATE TABLE notes (line text)");
        const ToolRun run = runTool({"migrate", m_practice->dataFile(), uri});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("already holds tables"), qPrintable(run.err));
        QCOMPARE(tablesIn(uri), 1);
    }

    // Killed at any moment, from its start to its end, the migration leaves the server
    // database empty (and ready for the next try) or complete.
    void aKilledMigrationLeavesEmptyOrComplete()
    {
        QElapsedTimer whole;
        whole.start();
        QCOMPARE(runTool({"migrate", m_practice->dataFile(), newDatabase()}).exitCode, 0);
        const int lasts = int(whole.elapsed());
        QRandomGenerator random(2022);
        QString uri = newDatabase();
        for (int attempt = 0; attempt < 6; ++attempt) {
            QProcess tool;
            tool.setProcessEnvironment(toolEnvironment());
            tool.start(QStringLiteral(VELMORA_DB), {"migrate", m_practice->dataFile(), uri});
            QVERIFY(tool.waitForStarted());
            QTest::qWait(int(random.bounded(lasts + lasts / 10)));
            tool.kill(); // not kill(processId()): one that has ended has the id 0, this test's whole group
            tool.waitForFinished();
            if (tablesIn(uri) == 0)
                continue;
            Connection server(dataSource(uri));
            QCOMPARE(practice_copy::summarize(server), m_fileSummary);
            uri = newDatabase();
        }
        const ToolRun run = runTool({"migrate", m_practice->dataFile(), uri});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    // A server practice falls back to one machine: its backup is a file with its key file,
    // opened with the password given for it, holding what the server holds.
    void aServersBackupIsAPracticeFile()
    {
        const QString uri = newDatabase();
        QCOMPARE(runTool({"migrate", m_practice->dataFile(), uri}).exitCode, 0);
        Connection(dataSource(uri)).execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) "
                                            "VALUES(#3/28/2026#,12.35,0,'Ενοίκιο')");
        QTemporaryDir folder;
        const QString copy = folder.filePath("backup/server.mdb");
        const ToolRun run = runTool({"backup", uri, copy}, toolEnvironment("Νέος κωδ 1"));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.startsWith(copy + "\n"));
        QVERIFY(QFile::exists(folder.filePath("backup/server.key")));
        QCOMPARE(fileMode(copy), 0600);

        Connection server(dataSource(uri));
        Connection file = Connection::openFile(copy, "Νέος κωδ 1");
        QCOMPARE(practice_copy::summarize(file), practice_copy::summarize(server));
        QCOMPARE(file.scalar("SELECT Format(POSO,'0.00') FROM EKSODA").toString(), "12,35");
        QCOMPARE(file.scalar("SELECT MAX(seq) FROM sqlite_sequence WHERE name='STOIXEIA_PAIDIOY'").toInt(), 20000);
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openFile(copy, DbPassword));
        // Never over an existing file.
        QCOMPARE(runTool({"backup", uri, copy}, toolEnvironment("Νέος κωδ 1")).exitCode, 1);
    }

    // A seat's role gets a new password through the server, which then takes only that one.
    void aSeatsRoleGetsANewPassword()
    {
        const QString dataDirectory = QDir(m_server.socketDirectory()).filePath("data");
        QFile hba(QDir(dataDirectory).filePath("pg_hba.conf"));
        QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hba.write("local all postgres trust\nlocal all all scram-sha-256\n");
        hba.close();
        m_server.query("postgres", "SELECT pg_reload_conf()");
        m_server.query("postgres", "CREATE ROLE reception LOGIN PASSWORD 'Παλιός κωδ 1'");
        // As the server setup makes a seat: it logs in as itself and works as the practice's owner.
        m_server.query("postgres", "CREATE ROLE practice_owner NOLOGIN");
        m_server.query("postgres", "GRANT practice_owner TO reception");
        m_server.query("velmora", "GRANT ALL ON ALL TABLES IN SCHEMA public TO practice_owner");
        m_server.query("postgres", "ALTER ROLE reception SET role = practice_owner");
        QString seat = m_server.uri("velmora").replace("user=postgres", "user=reception");

        QProcessEnvironment environment = toolEnvironment("Νέος κωδ 2");
        environment.insert("VELMORA_PASSWORD", "Παλιός κωδ 1");
        const ToolRun run = runTool({"password", seat}, environment);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(m_server.query("postgres", "SELECT rolpassword FROM pg_authid WHERE rolname='reception'")
                    .startsWith("SCRAM-SHA-256$"));
        QCOMPARE(m_server.query("postgres", "SELECT rolpassword IS NULL FROM pg_authid WHERE rolname='practice_owner'"),
                 QString("t"));
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openFile(seat, "Παλιός κωδ 1"));
        Connection::openFile(seat, "Νέος κωδ 2");
        // A quote in the password is refused by the password rules before it reaches the server.
        environment.insert("VELMORA_PASSWORD", "Νέος κωδ 2");
        environment.insert("VELMORA_NEW_PASSWORD", "x' ; DROP ROLE postgres; --");
        QCOMPARE(runTool({"password", seat}, environment).exitCode, 1);
        Connection::openFile(seat, "Νέος κωδ 2");
    }
};

VELMORA_TEST_MAIN(new PracticeCopyTest)

#include "tst_practice_copy.moc"
