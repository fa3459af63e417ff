#include "data/connection.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/schema.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList columnsOf(Connection &c, const QString &table)
{
    DataSet rows(c);
    rows.setSql("SELECT * FROM " + table);
    rows.openForAppend();
    QStringList names;
    for (int i = 0; i < rows.fieldCount(); ++i)
        names << rows.field(i).name;
    return names;
}

} // namespace

class SchemaTest : public QObject {
    Q_OBJECT
private slots:
    void columnsInTheirOrder()
    {
        TestPractice practice;
        Connection c = practice.connect();
        const QStringList appointment = columnsOf(c, "RANTEBOU");
        QCOMPARE(appointment.mid(0, 29), QStringList({"HMEROMHNIA"}) + schema::appointmentSlots());
        QCOMPARE(appointment.at(1), QString("0800-0830"));
        QCOMPARE(appointment.at(28), QString("2130-2200"));
        QCOMPARE(columnsOf(c, "SECURITY").first(), QString("PASSWORD"));
        const QStringList child = columnsOf(c, "STOIXEIA_PAIDIOY");
        QCOMPARE(child.size(), 21 + 23 + 38);
        QCOMPARE(child.mid(21, 23), schema::healthColumns());
        QCOMPARE(child.mid(44), schema::doseColumns());
        QCOMPARE(columnsOf(c, "ERGASTHRIAKA"),
                 QStringList({"ID", "HMEROMHNIA", "EKSETASH", "MIN", "MAX", "APOTELESMA", "MONADES"}));
    }

    void deliveredRows()
    {
        TestPractice practice;
        Connection c = practice.connect();
        QCOMPARE(c.scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker); // never the password
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM LAST_APODEIKSH").toInt(), 0);
        QCOMPARE(c.scalar("PRAGMA user_version").toInt(), schema::Version);
    }

    void requiredColumnsRefuseNoValueAndEmptyText_data()
    {
        // clang-format off
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("column");
        QTest::newRow("visit without reason")
            << "INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,PERIGRAFH) VALUES(1,#1/1/2011#,'x')" << "EPISKEPSEIS.AITIA";
        QTest::newRow("visit with empty reason")
            << "INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(1,#1/1/2011#,'','x')" << "EPISKEPSEIS.AITIA";
        QTest::newRow("visit with a reason of blanks")
            << "INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(1,#1/1/2011#,'   ','x')"
            << "EPISKEPSEIS.AITIA";
        QTest::newRow("diet with a title of blanks and a tab")
            << "INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(' ' || char(9) || ' ','x')" << "DIAITES.TITLOS";
        QTest::newRow("expense without amount")
            << "INSERT INTO EKSODA(HMEROMHNIA,VAT,PERIGRAFH) VALUES(#1/1/2011#,1,'x')" << "EKSODA.POSO";
        QTest::newRow("child without birth date")
            << "INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
               "ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) VALUES('Ν','Α','ΑΡΡΕΝ','Π','Μ','Κ','Δ','2')"
            << "STOIXEIA_PAIDIOY.HMEROMHNIA_GENNHSEWS";
        QTest::newRow("diet without title") << "INSERT INTO DIAITES(PERIGRAFH) VALUES('x')" << "DIAITES.TITLOS";
        QTest::newRow("empty password") << "UPDATE SECURITY SET [PASSWORD]=''" << "SECURITY.PASSWORD";
        // clang-format on
    }
    void requiredColumnsRefuseNoValueAndEmptyText()
    {
        QFETCH(QString, statement);
        QFETCH(QString, column);
        TestPractice practice;
        Connection c = practice.connect();
        practice.addChild();
        try {
            c.execute(statement);
            QFAIL("stored a row without a required value");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::Constraint);
            QCOMPARE(e.rule(), DbError::Rule::Required);
            QCOMPARE(e.table() + '.' + e.column(), column);
        }
    }

    void typesAreEnforced_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("text in an amount") << "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/1/2011#,'12,5',1,'x')";
        QTest::newRow("impossible date") << "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES('2011-02-30',1,1,'x')";
        QTest::newRow("text too long") << "INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('" + QString(256, 'x') + "','x')";
    }
    void typesAreEnforced()
    {
        QFETCH(QString, statement);
        TestPractice practice;
        Connection c = practice.connect();
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute(statement));
    }

    void duplicateAppointmentDayRefusedAndKept()
    {
        TestPractice practice;
        Connection c = practice.connect();
        c.execute("INSERT INTO RANTEBOU(HMEROMHNIA,[0900-0930]) VALUES(#8/2/2010#,'Μαρία')");
        try {
            c.execute("INSERT INTO RANTEBOU(HMEROMHNIA) VALUES(#8/2/2010#)");
            QFAIL("a second row for the same day");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::Constraint);
            QCOMPARE(e.rule(), DbError::Rule::Unique);
            QCOMPARE(e.column(), QString("HMEROMHNIA"));
        }
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM RANTEBOU").toInt(), 1);
        QCOMPARE(c.scalar("SELECT [0900-0930] FROM RANTEBOU").toString(), QString("Μαρία"));
    }

    void receiptDefaults()
    {
        TestPractice practice;
        Connection c = practice.connect();
        c.execute("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY) VALUES(1,40)");
        c.execute("INSERT INTO EISPRAKSH_PELATH(ID,POSO_CY,AR_APODEIKSHS) VALUES(1,40,1)");
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(c.scalar("SELECT HMEROMHNIA FROM APODEIKSEIS").toString(), today);
        QCOMPARE(c.scalar("SELECT HMEROMHNIA FROM EISPRAKSH_PELATH").toString(), today);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM APODEIKSEIS WHERE EGKYRH=TRUE").toInt(), 1);
    }

    void autonumbersAreNeverReused()
    {
        TestPractice practice;
        Connection c = practice.connect();
        practice.addChild();
        practice.addChild();
        c.execute("DELETE FROM STOIXEIA_PAIDIOY WHERE ID=2");
        practice.addChild();
        QCOMPARE(c.scalar("SELECT MAX(ID) FROM STOIXEIA_PAIDIOY").toInt(), 3);
    }

    void deletingAChildKeepsItsAccountingRecords()
    {
        TestPractice practice;
        Connection c = practice.connect();
        practice.addChild();
        c.execute("INSERT INTO EPISKEPSEIS(ID,HMEROMHNIA,AITIA,PERIGRAFH) VALUES(1,#1/1/2011#,'Πυρετός','x')");
        c.execute("INSERT INTO ERGASTHRIAKA(ID,HMEROMHNIA,EKSETASH,[MIN],[MAX],APOTELESMA,MONADES) "
                  "VALUES(1,#1/1/2011#,'Hb','11','15','12','g/dl')");
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS) VALUES(1,#1/1/2011#,80,11)");
        c.execute("INSERT INTO EISPRAKSH_PELATH(ID,POSO_CY,AR_APODEIKSHS) VALUES(1,40,1)");
        c.execute("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,POSO_CY) VALUES(1,40)");
        c.execute("DELETE FROM STOIXEIA_PAIDIOY WHERE ID=1");
        for (const char *table : {"EPISKEPSEIS", "ERGASTHRIAKA", "SWMATOMETRIA"})
            QCOMPARE(c.scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EISPRAKSH_PELATH").toInt(), 1);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM APODEIKSEIS").toInt(), 1);
    }

    void createRefusesToOverwrite()
    {
        TestPractice practice;
        QVERIFY_THROWS_EXCEPTION(DbError, schema::createDatabase(practice.dataFile(), DbPassword));
        Connection c = practice.connect(); // still the same, intact file
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
    }

    // A file of version 1 refused only the empty text; brought up to date, it refuses blanks
    // too and keeps its rows.
    void upgradeRefusesBlankRequiredTexts()
    {
        TestPractice practice;
        {
            Connection c = practice.connect();
            Transaction t(c);
            const int schemaVersion = c.scalar("PRAGMA schema_version").toInt();
            c.execute("PRAGMA writable_schema = ON");
            c.execute("UPDATE sqlite_master SET sql = replace(replace(sql, 'CHECK(trim([', 'CHECK(['), "
                      "'], char(32, 9, 10, 13)) <> ''''', '] <> ''''') WHERE type = 'table'");
            c.execute(QString("PRAGMA schema_version = %1").arg(schemaVersion + 1));
            c.execute("PRAGMA writable_schema = OFF");
            c.execute("PRAGMA user_version = 2");
            t.commit();
        }
        Connection c = practice.connect();
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('  ','x')"); // as version 2 allowed
        schema::upgrade(c);
        c = practice.connect(); // connections opened from now on read the new checks
        QCOMPARE(c.scalar("PRAGMA user_version").toInt(), schema::Version);
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('  ','x')"));
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 1);
        QCOMPARE(c.scalar("PRAGMA integrity_check").toString(), QString("ok"));
        Connection other = practice.connect();
        QVERIFY_THROWS_EXCEPTION(DbError, other.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(' ','x')"));
    }

    void newerFileIsRefused()
    {
        TestPractice practice;
        Connection c = practice.connect();
        c.execute(QString("PRAGMA user_version = %1").arg(schema::Version + 1));
        QVERIFY_THROWS_EXCEPTION(DbError, schema::upgrade(c));
        c.execute(QString("PRAGMA user_version = %1").arg(schema::Version));
        schema::upgrade(c); // already current: nothing to do
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
    }

    // A file of the first version, whose measurements had no head circumference.
    void firstVersionGainsHeadCircumference()
    {
        TestPractice practice;
        Connection c = practice.connect();
        practice.addChild();
        schema::Table first = *schema::findTable("SWMATOMETRIA");
        first.columns.pop_back();
        c.execute("DROP TABLE SWMATOMETRIA");
        c.execute(schema::createTableStatement(first));
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS) VALUES(1,#3/1/2011#,80.5,10.25)");
        c.execute("PRAGMA user_version = 1");
        schema::upgrade(c);
        QCOMPARE(c.scalar("PRAGMA user_version").toInt(), schema::Version);
        QCOMPARE(columnsOf(c, "SWMATOMETRIA"), QStringList({"ID", "HMEROMHNIA", "YPSOS", "BAROS", "PERIMETROS_KEFALHS"}));
        QCOMPARE(c.scalar("SELECT Format(YPSOS,'0.00') FROM SWMATOMETRIA").toString(), QString("80,50"));
        QVERIFY(c.scalar("SELECT PERIMETROS_KEFALHS FROM SWMATOMETRIA").isNull());
        c.execute("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS,PERIMETROS_KEFALHS) VALUES(1,#3/1/2012#,86,12,47.5)");
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 c.execute("UPDATE SWMATOMETRIA SET PERIMETROS_KEFALHS='σαράντα' WHERE HMEROMHNIA=#3/1/2012#"));
    }
};

QObject *newSchemaTest()
{
    return new SchemaTest;
}

#include "tst_schema.moc"
