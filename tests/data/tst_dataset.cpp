#include "data/dataset.h"
#include "data/db_error.h"
#include "engine_practices.h"

#include <QSignalSpy>
#include <QTest>

namespace {

void addDiet(Connection &c, const QString &title)
{
    c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,'κείμενο')", {title});
}

QStringList titles(const DataSet &set, int column)
{
    QStringList values;
    for (int r = 0; r < set.recordCount(); ++r)
        values << set.value(r, column).toString();
    return values;
}

} // namespace

// Each test runs once per engine: the data file and the practice's server.
class DataSetTest : public QObject {
    Q_OBJECT
    EnginePractices m_practices;
    QString m_practice;

    // A fresh practice on the engine of the row.
    Connection connect(jet::Engine engine)
    {
        m_practice = m_practices.newPractice(engine);
        return Connection(m_practice);
    }
    // Another window or seat on the practice of the last connect().
    Connection anotherSeat() { return Connection(m_practice); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_practices.start(&error), qPrintable(error));
    }
    void cleanupTestCase() { m_practices.stop(); }

    void insertPostsWithBoundValuesAndReadsBack_data() { EnginePractices::addRows(); }
    void insertPostsWithBoundValuesAndReadsBack()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        DataSet set(c);
        set.setTableName("DIAITES");
        set.open();
        QVERIFY(set.isEmpty());
        QVERIFY(set.canModify());
        QVERIFY(set.field(set.fieldIndex("ID")).autoNumber);
        QVERIFY(set.field(set.fieldIndex("TITLOS")).required);
        QCOMPARE(set.field(set.fieldIndex("TITLOS")).size, 255);
        QCOMPARE(set.field(set.fieldIndex("PERIGRAFH")).type, FieldType::Memo);

        set.insert();
        QCOMPARE(set.state(), DataSet::State::Insert);
        set.setValue("TITLOS", QString("Δίαιτα του O'Brien; DROP TABLE DIAITES"));
        set.setValue("PERIGRAFH", QString("Γάλα"));
        set.post();
        QCOMPARE(set.state(), DataSet::State::Browse);
        QCOMPARE(set.value("ID").toInt(), 1); // the autonumber shows at once
        QCOMPARE(c.scalar("SELECT TITLOS FROM DIAITES WHERE ID=1").toString(),
                 QString("Δίαιτα του O'Brien; DROP TABLE DIAITES"));
    }

    // A query's values are bound at every reading, a quote in them is only text, and the
    // rows stay editable; a mark without its value is refused rather than read as NULL.
    void queryValuesAreBound_data() { EnginePractices::addRows(); }
    void queryValuesAreBound()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        for (const char *title : {"Α", "O'Brien", "Β"})
            addDiet(c, title);
        DataSet set(c);
        set.setSql("SELECT ID, TITLOS FROM DIAITES WHERE TITLOS=? OR TITLOS=?", {QString("O'Brien"), QString("Β")});
        set.open();
        QCOMPARE(titles(set, 1), QStringList({"O'Brien", "Β"}));
        QVERIFY(set.canModify());
        addDiet(c, "Β");
        set.refresh();
        QCOMPARE(set.recordCount(), 3);
        set.setSql("SELECT * FROM DIAITES WHERE ID=? AND TITLOS=?", {1});
        QVERIFY_THROWS_EXCEPTION(DbError, set.open());
        QVERIFY(!set.isOpen());
    }

    void defaultsShowAfterPost_data() { EnginePractices::addRows(); }
    void defaultsShowAfterPost()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        DataSet set(c);
        set.setTableName("APODEIKSEIS");
        set.open();
        set.append();
        set.setValue("AR_APODEIKSHS", 5);
        set.post();
        QCOMPARE(set.value("HMEROMHNIA").toDate(), QDate::currentDate());
        QCOMPARE(set.value("EGKYRH").toBool(), true);
    }

    void failedPostKeepsTheRowForCorrection_data() { EnginePractices::addRows(); }
    void failedPostKeepsTheRowForCorrection()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        addDiet(c, "Α");
        DataSet set(c);
        set.setTableName("DIAITES");
        set.open();
        set.insert();
        set.setValue("PERIGRAFH", QString("χωρίς τίτλο"));
        QVERIFY_THROWS_EXCEPTION(DbError, set.post());
        QCOMPARE(set.state(), DataSet::State::Insert);
        QCOMPARE(set.value("PERIGRAFH").toString(), QString("χωρίς τίτλο"));
        QVERIFY_THROWS_EXCEPTION(DbError, set.next()); // a move that cannot store does not move
        QCOMPARE(set.currentRow(), 0);
        set.setValue("TITLOS", QString("Β"));
        set.post();
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 2);
    }

    void editCancelAndMoveStore_data() { EnginePractices::addRows(); }
    void editCancelAndMoveStore()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        addDiet(c, "Α");
        addDiet(c, "Β");
        DataSet set(c);
        set.setTableName("DIAITES");
        set.open();
        set.edit();
        set.setValue("TITLOS", QString("Άλλο"));
        set.cancel();
        QCOMPARE(set.value("TITLOS").toString(), QString("Α"));
        QCOMPARE(c.scalar("SELECT TITLOS FROM DIAITES WHERE ID=1").toString(), QString("Α"));

        set.edit();
        set.setValue("TITLOS", QString("Αλλαγμένο"));
        set.next(); // moving stores the pending change
        QCOMPARE(set.currentRow(), 1);
        QCOMPARE(set.state(), DataSet::State::Browse);
        QCOMPARE(c.scalar("SELECT TITLOS FROM DIAITES WHERE ID=1").toString(), QString("Αλλαγμένο"));

        set.insert(); // nothing typed: a move drops the new row
        set.first();
        QCOMPARE(set.recordCount(), 2);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 2);
    }

    void insertAtCurrentPositionAndRemove_data() { EnginePractices::addRows(); }
    void insertAtCurrentPositionAndRemove()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        for (const char *t : {"Α", "Β", "Γ"})
            addDiet(c, t);
        DataSet set(c);
        set.setTableName("DIAITES");
        set.open();
        set.moveTo(1);
        set.insert();
        QCOMPARE(set.currentRow(), 1);
        QCOMPARE(titles(set, 1), QStringList({"Α", "", "Β", "Γ"}));
        set.remove(); // removing a new row drops it and deletes nothing
        QCOMPARE(titles(set, 1), QStringList({"Α", "Β", "Γ"}));
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 3);

        set.remove(); // "Β": the row after it becomes current
        QCOMPARE(set.value("TITLOS").toString(), QString("Γ"));
        set.remove(); // the last one: the new last row becomes current
        QCOMPARE(set.value("TITLOS").toString(), QString("Α"));
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 1);
    }

    void queryOverOneTableCanDeleteButNotEditComputedColumns_data() { EnginePractices::addRows(); }
    void queryOverOneTableCanDeleteButNotEditComputedColumns()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        addChild(c);
        for (const char *day : {"#3/1/2011#", "#1/1/2011#", "#2/1/2011#"})
            c.execute(QString("INSERT INTO SWMATOMETRIA(ID,HMEROMHNIA,YPSOS,BAROS) VALUES(1,%1,80,11)").arg(day));
        DataSet set(c);
        set.setSql("SELECT ID, HMEROMHNIA, Format(BAROS,'0.00') AS BAROS, Format(YPSOS,'0.00') AS YPSOS FROM "
                   "SWMATOMETRIA WHERE ID=1 ORDER BY HMEROMHNIA");
        set.open();
        QCOMPARE(set.value(0, 1).toDate(), QDate(2011, 1, 1));
        QVERIFY(set.field(2).readOnly);
        set.edit();
        QVERIFY_THROWS_EXCEPTION(DbError, set.setValue("BAROS", QString("12")));
        set.cancel();
        set.remove();
        QCOMPARE(set.recordCount(), 2);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM SWMATOMETRIA WHERE HMEROMHNIA=#1/1/2011#").toInt(), 0);

        DataSet totals(c);
        totals.setSql("SELECT COUNT(*) AS SYNOLO FROM SWMATOMETRIA WHERE ID=1");
        totals.open();
        QVERIFY(!totals.canModify());
        QCOMPARE(totals.value("SYNOLO").toInt(), 2);
    }

    void sortInMemory_data() { EnginePractices::addRows(); }
    void sortInMemory()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        const char *rows[][2] = {{"Ωμέγα", "2009-05-01"}, {"άλφα", "2011-01-01"}, {"Βήτα", "2010-01-01"}, {"ΑΛΦΑ", "2008-01-01"}};
        for (const auto &row : rows)
            c.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(?,1,0,?)",
                      {QString::fromUtf8(row[1]), QString::fromUtf8(row[0])});
        DataSet set(c);
        set.setTableName("EKSODA");
        set.open();
        set.moveTo(2);
        set.setSort("HMEROMHNIA DESC"); // and the first row is current
        QCOMPARE(titles(set, 3), QStringList({"άλφα", "Βήτα", "Ωμέγα", "ΑΛΦΑ"}));
        QCOMPARE(set.value("PERIGRAFH").toString(), QString("άλφα"));
        set.setSort("PERIGRAFH ASC");
        QCOMPARE(titles(set, 3), QStringList({"ΑΛΦΑ", "άλφα", "Βήτα", "Ωμέγα"}));
        set.setSort("PERIGRAFH DESC, HMEROMHNIA ASC");
        QCOMPARE(titles(set, 3).first(), QString("Ωμέγα"));
        set.refresh(); // the sort stays after a re-read
        QCOMPARE(titles(set, 3).first(), QString("Ωμέγα"));
    }

    void openForAppendReadsNoRows_data() { EnginePractices::addRows(); }
    void openForAppendReadsNoRows()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        addDiet(c, "Α");
        DataSet set(c);
        set.setTableName("DIAITES");
        set.openForAppend();
        QCOMPARE(set.recordCount(), 0);
        QCOMPARE(set.fieldCount(), 3);
        set.append();
        set.setValue("TITLOS", QString("Β"));
        set.setValue("PERIGRAFH", QString("x"));
        set.post();
        QCOMPARE(set.value("ID").toInt(), 2);
    }

    void signalsTellBoundWidgets_data() { EnginePractices::addRows(); }
    void signalsTellBoundWidgets()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        addDiet(c, "Α");
        DataSet set(c);
        set.setTableName("DIAITES");
        QSignalSpy reset(&set, &DataSet::reset);
        QSignalSpy changed(&set, &DataSet::rowChanged);
        QSignalSpy state(&set, &DataSet::stateChanged);
        set.open();
        QCOMPARE(reset.count(), 1);
        set.edit();
        set.setValue("TITLOS", QString("Β"));
        set.post();
        QVERIFY(changed.count() >= 2);
        QCOMPARE(state.last().first().value<DataSet::State>(), DataSet::State::Browse);
    }

    // A row another connection changed, deleted, or deleted and replaced under the same row
    // id since it was read is neither overwritten nor deleted: refused, read again, and the
    // other change kept.
    void staleRowsAreRefused_data()
    {
        QTest::addColumn<jet::Engine>("engine");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("other");
        for (const auto &[engine, engineName] : EnginePractices::Engines)
            for (const char *action : {"post", "remove"}) {
                QTest::addRow("%s: %s after a change", engineName, action) << engine << action << "change";
                QTest::addRow("%s: %s after a delete", engineName, action) << engine << action << "delete";
                QTest::addRow("%s: %s after a replacement", engineName, action) << engine << action << "replace";
            }
    }
    void staleRowsAreRefused()
    {
        QFETCH(jet::Engine, engine);
        QFETCH(QString, action);
        QFETCH(QString, other);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        // The file gives a deleted row's id to the next row of a table without a key of its own;
        // the server never gives a row key twice, so there the replaced row is simply gone.
        const bool gone = other == "delete" || (other == "replace" && engine == jet::Engine::Postgres);
        Connection window = connect(engine), elsewhere = anotherSeat();
        window.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#1/3/2026#,10,2,'Ενοίκιο')");
        DataSet set(window);
        set.setTableName("EKSODA"); // no key of its own
        set.open();
        if (other == "change") {
            elsewhere.execute("UPDATE EKSODA SET POSO=11");
        } else {
            elsewhere.execute("DELETE FROM EKSODA");
            if (other == "replace")
                elsewhere.execute("INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#2/3/2026#,99,1,'Ρεύμα')");
        }
        try {
            if (action == "post") {
                set.edit();
                set.setValue("PERIGRAFH", QString("Ενοίκιο Μαρτίου"));
                set.post();
            } else {
                set.remove();
            }
            QFAIL("a stale row was written");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), gone ? DbError::Kind::DeletedElsewhere : DbError::Kind::ChangedElsewhere);
        }
        QCOMPARE(set.state(), DataSet::State::Browse);
        QCOMPARE(set.recordCount(), gone ? 0 : 1);
        if (!gone) // the row as it stands now
            QCOMPARE(set.value("POSO").toDouble(), other == "change" ? 11.0 : 99.0);
        QCOMPARE(elsewhere.scalar("SELECT COUNT(*) FROM EKSODA").toInt(), other == "delete" ? 0 : 1);
        QCOMPARE(elsewhere.scalar("SELECT COUNT(*) FROM EKSODA WHERE PERIGRAFH='Ενοίκιο Μαρτίου'").toInt(), 0);
        if (other == "change") { // read again, the row takes the store
            set.edit();
            set.setValue("PERIGRAFH", QString("Ενοίκιο Μαρτίου"));
            set.post();
            QCOMPARE(elsewhere.scalar("SELECT POSO FROM EKSODA WHERE PERIGRAFH='Ενοίκιο Μαρτίου'").toDouble(), 11.0);
        }
    }

    // Enough rows and text to span several of the store's blocks, and a text longer than one:
    // inserting, removing and sorting move whole rows across the blocks' edges.
    void manyRowsKeepTheirValuesAcrossBlocks_data() { EnginePractices::addRows(); }
    void manyRowsKeepTheirValuesAcrossBlocks()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        const int count = 2500;
        {
            Transaction adding(c);
            for (int i = 1; i <= count; ++i)
                c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,?)",
                          {QString("δίαιτα %1").arg(i, 5, 10, QChar('0')),
                           QString("περιγραφή %1 ").arg(i) + QString(2 * (i % 50), QChar('0'))});
            adding.commit();
        }
        const QString longText = QString(200'000, QChar(u'λ')) + "τέλος";
        c.execute("UPDATE DIAITES SET PERIGRAFH=? WHERE TITLOS='δίαιτα 01200'", {longText});
        DataSet set(c);
        set.setSql("SELECT TITLOS,PERIGRAFH FROM DIAITES ORDER BY TITLOS");
        set.open();
        QStringList expected;
        for (int i = 1; i <= count; ++i)
            expected << QString("δίαιτα %1").arg(i, 5, 10, QChar('0'));
        QCOMPARE(titles(set, 0), expected);
        QCOMPARE(set.value(1199, 1).toString(), longText);
        QCOMPARE(set.value(2499, 1).toString(), "περιγραφή 2500 " + QString(2 * (2500 % 50), QChar('0')));

        // An empty text as the store's first.
        DataSet empty(c);
        empty.setSql("SELECT '' AS E, 'x' AS F");
        empty.open();
        QCOMPARE(empty.value(0, 0).toString(), QString(""));
        QCOMPARE(empty.value(0, 1).toString(), QString("x"));

        set.moveTo(1500);
        set.insert();
        set.setValue("TITLOS", QString("νέα"));
        set.setValue("PERIGRAFH", QString("κείμενο"));
        set.post();
        expected.insert(1500, "νέα");
        QCOMPARE(titles(set, 0), expected);
        set.moveTo(3);
        set.remove();
        expected.removeAt(3);
        QCOMPARE(titles(set, 0), expected);
        QCOMPARE(set.value(1198, 1).toString(), longText);

        set.setSort("TITLOS DESC");
        expected.removeOne("νέα");
        std::reverse(expected.begin(), expected.end());
        expected.prepend("νέα");
        QCOMPARE(titles(set, 0), expected);
        set.close();
    }

    // The in-memory sort puts texts in the order the database's collation gives them.
    void sortAgreesWithTheDatabase_data() { EnginePractices::addRows(); }
    void sortAgreesWithTheDatabase()
    {
        QFETCH(jet::Engine, engine);
        SKIP_UNAVAILABLE_ENGINE(m_practices, engine);
        Connection c = connect(engine);
        QStringList texts = {"Ωμέγα", "ωμεγα", "άλφα", "Άλφα", "ΑΛΦΑ", "alpha", "Zeta", "ς", "σ", "Σ", "10", "9",
                             "\u00C9cole", "ecole"};
        // The server places pictographs, symbols and letters of other scripts by its own
        // collation's rules; the names a practice keeps sort alike on both.
        if (engine == jet::Engine::SqlCipher)
            texts << "\U0001D49C lettre"
                  << "\U0001F600"
                  << "\uFF21 wide"
                  << "\uE000 private"
                  << "\U00010400 deseret";
        for (const QString &text : texts)
            addDiet(c, text);
        DataSet set(c);
        set.setTableName("DIAITES");
        set.open();
        for (const char *sort : {"TITLOS ASC", "TITLOS DESC"}) {
            set.setSort(sort);
            QStringList expected;
            Statement ordered(c, QString("SELECT TITLOS FROM DIAITES ORDER BY ") + sort);
            while (ordered.step())
                expected << ordered.value(0).toString();
            QCOMPARE(titles(set, set.fieldIndex("TITLOS")), expected);
        }
    }

    // A large ordered read may scan the table and sort here; equal values, accents, case and
    // NULLs must come out exactly as the engine's own walk of the index gives them.
    void orderedReadKeepsTheEnginesOrder_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("the register") << "SELECT ID,ONOMA,EPWNYMO FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC";
        QTest::newRow("Greek index with NULLs") << "SELECT [ID], [NAME] FROM [NAMES] ORDER BY [NAME]";
        QTest::newRow("all columns") << "SELECT * FROM NAMES ORDER BY NAME ASC";
        QTest::newRow("index in code order") << "SELECT ID,PLAIN FROM NAMES ORDER BY PLAIN";
        QTest::newRow("descending") << "SELECT ID,NAME FROM NAMES ORDER BY NAME DESC";
    }

    void orderedReadKeepsTheEnginesOrder()
    {
        QFETCH(QString, statement);
        TestPractice practice;
        Connection c = practice.connect();
        c.execute("CREATE TABLE NAMES(ID INTEGER PRIMARY KEY, NAME TEXT COLLATE GREEK, PLAIN TEXT)");
        c.execute("CREATE INDEX NAMES_NAME ON NAMES(NAME)");
        c.execute("CREATE INDEX NAMES_PLAIN ON NAMES(PLAIN)");
        const QStringList surnames = {"Παπάς", "Αλεξίου", "ΠΑΠΑΣ", "Άλφα", "παπάς", "", "Παπάς", "alpha", "Alpha",
                                      "Αλεξίου", "Ζήσης", "Παπάς", "αλφα", "Ζήσης", "Ωραίος", "Αλεξίου"};
        for (int i = 0; i < surnames.size(); ++i) {
            const QVariant name = i % 5 == 2 ? QVariant() : QVariant(surnames[i]);
            c.execute("INSERT INTO NAMES(NAME,PLAIN) VALUES(?,?)", {name, name});
            if (!surnames[i].isEmpty()) // a child always has a surname
                c.execute("INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                          "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1) "
                          "VALUES(?,?,'ΑΡΡΕΝ','2020-01-01','π','μ','κ','δ','210')",
                          {QString("Παιδί %1").arg(i), surnames[i]});
        }
        QStringList engineOrder;
        Statement ordered(c, statement);
        while (ordered.step())
            engineOrder << ordered.value(0).toString();

        DataSet set(c);
        set.setSql(statement);
        set.open();
        QCOMPARE(titles(set, 0), engineOrder);
        QVERIFY(set.canModify());
        // A row read this way is written back like any other.
        set.moveTo(3);
        set.edit();
        set.setValue(1, set.value(1).toString() + "·");
        set.post();
        QCOMPARE(titles(set, 0), engineOrder);
    }
};

QObject *newDataSetTest()
{
    return new DataSetTest;
}

#include "tst_dataset.moc"
