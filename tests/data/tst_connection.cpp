#include "data/backup.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/keys/key_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileIsNeverCreated()
    {
        QTemporaryDir empty;
        try {
            Connection c(connectionStringFor(empty.path()));
            QFAIL("opened a missing file");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::FileNotFound);
            QVERIFY(e.text().contains(QDir(empty.path()).filePath("data.mdb")));
        }
        QVERIFY(!QFile::exists(QDir(empty.path()).filePath("data.mdb")));
    }

    void wrongPasswordIsRefused()
    {
        TestPractice practice;
        try {
            Connection c(connectionStringFor(practice.directory(), "wrong"));
            QFAIL("opened with a wrong password");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::WrongPassword);
        }
    }

    void fileIsEncrypted()
    {
        TestPractice practice;
        {
            Connection c = practice.connect();
            c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('PlainTextMarker','x')");
        }
        QFile file(practice.dataFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.startsWith("SQLite format 3"));
        QVERIFY(!bytes.contains("PlainTextMarker"));
        QVERIFY(!bytes.contains("STOIXEIA_PAIDIOY"));
    }

    void twoConnectionsShareTheFile()
    {
        TestPractice practice;
        Connection window = practice.connect();
        DataSet diets(window);
        diets.setTableName("DIAITES");
        diets.open();
        diets.append();
        diets.setValue("TITLOS", QString("Α"));
        diets.setValue("PERIGRAFH", QString("x"));
        diets.post();

        Connection other = practice.connect(); // a second window while the first holds its set
        QCOMPARE(other.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 1);
        other.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Β','y')");
        diets.refresh();
        QCOMPARE(diets.recordCount(), 2);
        diets.first();
        diets.edit();
        diets.setValue("TITLOS", QString("Γ"));
        diets.post();
        QCOMPARE(other.scalar("SELECT TITLOS FROM DIAITES WHERE ID=1").toString(), QString("Γ"));
    }

    void fileInUseIsReported()
    {
        TestPractice practice;
        Connection holder = practice.connect();
        Connection other = practice.connect();
        other.setBusyTimeout(50);
        holder.execute("BEGIN EXCLUSIVE");
        QCOMPARE(other.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 0); // readers go on
        try {
            other.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
            QFAIL("wrote a file held exclusively");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::FileInUse);
        }
        holder.execute("ROLLBACK");
        QCOMPARE(other.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 0);
    }

    void transactionRollsBackUnlessCommitted()
    {
        TestPractice practice;
        Connection c = practice.connect();
        try {
            Transaction t(c);
            c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
            c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(NULL)"); // refused
            t.commit();
        } catch (const DbError &) {
        }
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM LAST_APODEIKSH").toInt(), 0);
        {
            Transaction t(c);
            c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
            t.commit();
        }
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM LAST_APODEIKSH").toInt(), 1);
    }

    void backupIsEncryptedCompleteAndMadeWhileInUse()
    {
        TestPractice practice;
        Connection window = practice.connect(); // the program holds the file open
        window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Β','y')");
        window.execute("DELETE FROM DIAITES WHERE ID=2");
        QVERIFY(QFileInfo(practice.dataFile() + "-wal").size() > 0); // the stores are still in the log
        const QString destination = QDir(practice.directory()).filePath("backup/copy.mdb");
        const BackupResult result = backupDatabase(practice.dataFile(), destination, DbPassword);
        QCOMPARE(result.path, destination);
        QCOMPARE(result.rowCounts.value("DIAITES"), 1);
        QCOMPARE(result.rowCounts.value("SECURITY"), 1);

        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openFile(destination, "wrong"));
        Connection copy = Connection::openFile(destination, DbPassword);
        QCOMPARE(copy.scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Α"));
        copy.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Γ','z')");
        QCOMPARE(copy.scalar("SELECT MAX(ID) FROM DIAITES").toInt(), 3); // autonumbers carried over
        QCOMPARE(copy.scalar("PRAGMA user_version").toInt(), window.scalar("PRAGMA user_version").toInt());

        QVERIFY_THROWS_EXCEPTION(DbError, backupDatabase(practice.dataFile(), destination, DbPassword));
        QCOMPARE(copy.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 2); // nothing overwritten
        copy.close();
        QCOMPARE(QDir(practice.directory() + "/backup").entryList(QDir::Files), QStringList({"copy.key", "copy.mdb"}));
    }

    // Stores wait in a write-ahead log beside the file; closing the last connection writes
    // them into the file and removes the log.
    void writeAheadLogIsCheckpointedOnClose()
    {
        TestPractice practice;
        const QString file = practice.dataFile();
        {
            Connection window = practice.connect();
            Connection other = practice.connect();
            window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
            QVERIFY(QFileInfo(file + "-wal").size() > 0);
            window.close();
            QVERIFY(QFile::exists(file + "-wal")); // another connection still reads through it
        }
        QVERIFY(!QFile::exists(file + "-wal"));
        QVERIFY(!QFile::exists(file + "-shm"));
        QCOMPARE(practice.connect().scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Α"));

        // A reading connection (a backup) leaves the log to a writer still at work, and no log
        // files at all when it was the last.
        {
            Connection window = practice.connect();
            Connection reader = Connection::openFileForReading(file, DbPassword);
            window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Β','x')");
            QCOMPARE(reader.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 2);
            reader.close();
            window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Γ','x')");
            QVERIFY(QFileInfo(file + "-wal").size() > 0);
        }
        QCOMPARE(Connection::openFileForReading(file, DbPassword).scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 3);
        QVERIFY(!QFile::exists(file + "-wal"));
        QVERIFY(!QFile::exists(file + "-shm"));
    }

    // A log lies beside a file by its name alone: one left there by the file that was replaced
    // (a kill between its last store and the move) is never replayed onto the new file.
    void movedFileNeverTakesTheLogOfTheOneItReplaces()
    {
        TestPractice practice;
        const QString file = practice.dataFile();
        QByteArray staleLog;
        {
            Connection window = practice.connect();
            window.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Παλιό','x')");
            QFile log(file + "-wal");
            QVERIFY(log.open(QIODevice::ReadOnly));
            staleLog = log.readAll();
            QVERIFY(!staleLog.isEmpty());
        }
        const QString replacement = QDir(practice.directory()).filePath("data-new.mdb");
        QVERIFY(QFile::copy(file, replacement));
        QVERIFY(QFile::copy(keyFilePathFor(file), keyFilePathFor(replacement)));
        {
            Connection c = Connection::openFile(replacement, DbPassword);
            c.execute("UPDATE DIAITES SET TITLOS='Νέο'");
        }
        QFile log(file + "-wal");
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write(staleLog);
        log.close();

        moveDataFileIntoPlace(replacement, file);
        QVERIFY(!QFile::exists(file + "-wal") || QFileInfo(file + "-wal").size() == 0);
        Connection c = practice.connect();
        QCOMPARE(c.scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Νέο"));
        QCOMPARE(c.scalar("PRAGMA integrity_check").toString(), QString("ok"));
    }

    // What a backup killed half-way left goes with the next backup or start; the source is
    // only read, so a file that may not be written is copied all the same.
    void backupLeavesNoPartialCopies()
    {
        TestPractice practice;
        const QDir backups(practice.directory() + "/backup");
        QVERIFY(backups.mkpath("."));
        const QStringList leftovers = {"data-2026-03-01-101010.mdb.part-1234", "data-2026-03-01-101010.mdb.part-1234-journal",
                                       "data-2026-03-02-101010.mdb.part-5678"};
        for (const QString &name : leftovers) {
            QFile file(backups.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFile kept(backups.filePath("data-2026-01-01-101010.mdb"));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        removeUnfinishedBackups(practice.dataFile()); // as at start
        QCOMPARE(backups.entryList(QDir::Files | QDir::Hidden), QStringList({"data-2026-01-01-101010.mdb"}));

        QFile(backups.filePath(leftovers.first())).open(QIODevice::WriteOnly);
        QFile::setPermissions(practice.dataFile(), QFile::ReadOwner);
        Connection writer = practice.connect();
        Transaction pending(writer); // another copy is about to write: the backup only reads
        backupDatabase(practice.dataFile(), backups.filePath("copy.mdb"), DbPassword);
        pending.commit();
        QFile::setPermissions(practice.dataFile(), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(backups.entryList(QDir::Files | QDir::Hidden),
                 QStringList({"copy.key", "copy.mdb", "data-2026-01-01-101010.mdb"}));
    }
};

QObject *newConnectionTest()
{
    return new ConnectionTest;
}

#include "tst_connection.moc"
