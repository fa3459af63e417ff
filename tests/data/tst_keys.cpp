#include "data/backup.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/old_layout.h"
#include "data/keys/private_files.h"
#include "data/schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

const QString Password = QStringLiteral("Κωδικός 1");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// What another tool does with the key that `velmora-db key` prints.
bool opensWithRawKey(const QString &path, const QByteArray &dataKey)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray pragmas = "PRAGMA key = \"x'" + dataKey.toHex() + "'\"; PRAGMA cipher_page_size = 4096;";
    sqlite3_exec(db, pragmas.constData(), nullptr, nullptr, nullptr);
    const bool opened = sqlite3_exec(db, "SELECT count(*) FROM SECURITY", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return opened;
}

} // namespace

class KeysTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestPractice> m_practice;
    QString m_recoveryKey;

    QString dataFile() const { return m_practice->dataFile(); }

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_recoveryKey = rewrapDataKey(dataFile(), FactoryDefaultPassword, Password, true);
    }

    void opensOnlyWithItsSecrets_data()
    {
        QTest::addColumn<QString>("secret");
        QTest::addColumn<bool>("opens");
        QTest::newRow("password") << Password << true;
        QTest::newRow("password with blanks around") << "  " + Password + " " << true;
        QTest::newRow("password in small letters") << Password.toLower() << false;
        QTest::newRow("recovery key") << QString() << true;
        QTest::newRow("recovery key as typed from paper") << QStringLiteral("lower no dashes") << true;
        QTest::newRow("factory default once replaced") << FactoryDefaultPassword << false;
        QTest::newRow("the old database password") << QStringLiteral("KT40273QZL") << false;
        QTest::newRow("empty") << QString(" ") << false;
    }
    void opensOnlyWithItsSecrets()
    {
        QFETCH(QString, secret);
        QFETCH(bool, opens);
        if (secret.isEmpty())
            secret = m_recoveryKey;
        else if (secret == QLatin1String("lower no dashes"))
            secret = m_recoveryKey.toLower().remove(QLatin1Char('-'));
        if (opens) {
            Connection c = Connection::openFile(dataFile(), secret);
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
        } else {
            try {
                Connection::openFile(dataFile(), secret);
                QFAIL("opened with a wrong secret");
            } catch (const DbError &e) {
                QCOMPARE(e.kind(), DbError::Kind::WrongPassword);
            }
        }
    }

    void theOldConstantKeyOpensNothing()
    {
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openWithKey(dataFile(), old_layout::engineKey()));
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openWithKey(dataFile(), engineKeyFor(newDataKey())));
        // The data key that the password unwraps is what another tool needs.
        QVERIFY(opensWithRawKey(dataFile(), unlockDataKey(dataFile(), Password)));
        QVERIFY(!opensWithRawKey(dataFile(), newDataKey()));
    }

    void changingThePasswordRewritesOnlyTheKeyFile()
    {
        const QByteArray data = fileBytes(dataFile());
        rewrapDataKey(dataFile(), Password, "Άλλος", false);
        QCOMPARE(fileBytes(dataFile()), data);
        QVERIFY(!unlocks(dataFile(), Password));
        QVERIFY(unlocks(dataFile(), "Άλλος"));
        QVERIFY(unlocks(dataFile(), m_recoveryKey));
        // The recovery key opens the way to a password when the password is lost.
        rewrapDataKey(dataFile(), m_recoveryKey, "Τρίτος", false);
        QVERIFY(!unlocks(dataFile(), "Άλλος"));
        QCOMPARE(Connection::openFile(dataFile(), "Τρίτος").scalar("SELECT COUNT(*) FROM SECURITY").toInt(), 1);
    }

    void nothingStoredGivesThePasswordAway()
    {
        Connection c = Connection::openFile(dataFile(), Password);
        Statement rows(c, "SELECT * FROM SECURITY");
        while (rows.step())
            for (int column = 0; column < rows.columnCount(); ++column)
                QVERIFY(!rows.value(column).toString().contains(Password));
        for (const QString &file : {dataFile(), keyFilePathFor(dataFile())}) {
            const QByteArray bytes = fileBytes(file);
            QVERIFY(!bytes.contains(Password.toUtf8()));
            QVERIFY(!bytes.contains(m_recoveryKey.toUtf8()));
            QVERIFY(!bytes.contains(m_recoveryKey.remove('-').toUtf8()));
        }
    }

    void damagedKeyFilesAreRefusedClearly_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("newer version") << QByteArray("velmora-key 1") << QByteArray("velmora-key 2") << "newer version";
        QTest::newRow("not a key file") << QByteArray("velmora-key 1") << QByteArray("hello") << "damaged";
        QTest::newRow("slots swapped") << QByteArray("password argon2id") << QByteArray("recovery argon2id") << "damaged";
    }
    void damagedKeyFilesAreRefusedClearly()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, message);
        const QString keyFile = keyFilePathFor(dataFile());
        writeBytes(keyFile, fileBytes(keyFile).replace(from, to));
        try {
            Connection::openFile(dataFile(), Password);
            QFAIL("opened with a damaged key file");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(message), qPrintable(e.text()));
        }
    }

    void aTamperedBoxDoesNotOpen()
    {
        const QString keyFile = keyFilePathFor(dataFile());
        QByteArray bytes = fileBytes(keyFile);
        const qsizetype box = bytes.indexOf('\n', bytes.indexOf("password")) - 3; // inside the last field
        bytes[box] = bytes[box] == 'A' ? 'B' : 'A';
        writeBytes(keyFile, bytes);
        QVERIFY(!unlocks(dataFile(), Password));
        QVERIFY(unlocks(dataFile(), m_recoveryKey));
    }

    // Whatever the session's umask, what the data layer makes is the owner's alone.
    void filesAndFoldersArePrivate()
    {
        const mode_t previous = ::umask(022);
        QTemporaryDir root;
        const QString folder = root.filePath("practice");
        makePrivateFolder(folder);
        const QString file = QDir(folder).filePath(DataFileName);
        schema::createDatabase(file, DbPassword);
        Connection c = Connection::openFile(file, DbPassword);
        c.execute("BEGIN");
        c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        const int logMode = fileMode(file + "-wal"), logIndexMode = fileMode(file + "-shm");
        c.execute("COMMIT");
        const QString copy = QDir(folder).filePath("backup/data-copy.mdb");
        backupDatabase(file, copy, DbPassword);
        rewrapDataKey(file, DbPassword, Password, true);
        ::umask(previous);

        QCOMPARE(fileMode(folder), 0700);
        QCOMPARE(fileMode(QDir(folder).filePath("backup")), 0700);
        for (const QString &path : {file, keyFilePathFor(file), copy, keyFilePathFor(copy)})
            QCOMPARE(fileMode(path), 0600);
        QCOMPARE(logMode, 0600);
        QCOMPARE(logIndexMode, 0600);
    }

    // The moments a kill can leave behind, each settled at the next start.
    void interruptedConversionsSettle_data()
    {
        QTest::addColumn<bool>("keyWritten");
        QTest::newRow("new file made, key file not yet") << false;
        QTest::newRow("key file written, new file not yet moved") << true;
    }
    void interruptedConversionsSettle()
    {
        QFETCH(bool, keyWritten);
        QTemporaryDir folder;
        const QString file = QDir(folder.path()).filePath(DataFileName);
        const QString converting = QDir(folder.path()).filePath("data-converting.mdb");
        createOldLayoutFile(file, Password);
        QFile::copy(file, folder.filePath("old.mdb"));
        old_layout::convert(file, Password);
        QVERIFY(QFile::rename(file, converting));
        QVERIFY(QFile::rename(folder.filePath("old.mdb"), file));
        if (!keyWritten)
            QVERIFY(QFile::remove(keyFilePathFor(file)));

        old_layout::settleInterruptedConversion(file);
        QVERIFY(!QFile::exists(converting));
        QCOMPARE(old_layout::isOldLayout(file), !keyWritten);
        Connection c = keyWritten ? Connection::openFile(file, Password) : old_layout::open(file);
        QCOMPARE(c.scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Παλιά δίαιτα"));
    }

    // Killed at any moment while converting, an old folder always opens: as it was, or converted.
    void conversionSurvivesKills()
    {
        QTemporaryDir original;
        const QString oldFile = QDir(original.path()).filePath(DataFileName);
        createOldLayoutFile(oldFile, Password);
        {
            Connection c = old_layout::open(oldFile);
            Transaction t(c);
            for (int i = 0; i < 3000; ++i) // enough rows for the copy to take a while
                c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,?)", {QString("Δίαιτα %1").arg(i), QString(200, 'x')});
            t.commit();
        }
        const int rows = 3001;
        QTemporaryDir work;
        const QString file = QDir(work.path()).filePath(DataFileName);
        const auto restore = [&] {
            for (const QString &name : QDir(work.path()).entryList(QDir::Files))
                QFile::remove(QDir(work.path()).filePath(name));
            QFile::copy(oldFile, file);
        };
        const auto convert = [&](QProcess &converter) {
            converter.start(QStringLiteral(LAYOUT_CONVERTER), {file, Password});
            QVERIFY(converter.waitForStarted());
        };

        // One whole conversion tells how long the kills may wait.
        restore();
        QElapsedTimer whole;
        whole.start();
        {
            QProcess converter;
            convert(converter);
            QVERIFY(converter.waitForFinished(60000));
            QCOMPARE(converter.exitCode(), 0);
        }
        const qint64 duration = whole.elapsed();

        QRandomGenerator random(14);
        int oldLayouts = 0, newLayouts = 0;
        for (int kill = 0; kill < 50; ++kill) {
            restore();
            QProcess converter;
            convert(converter);
            // Spread over the whole conversion and a little beyond, each at a random point of its share.
            QTest::qWait(int(duration * 1.25 * (kill + random.generateDouble()) / 50));
            // A converter that has already finished has no id: kill(0) would hit this test's own group.
            if (const qint64 pid = converter.processId(); pid > 0 && converter.state() == QProcess::Running)
                ::kill(pid_t(pid), SIGKILL);
            converter.waitForFinished();

            old_layout::settleInterruptedConversion(file);
            if (old_layout::isOldLayout(file)) {
                Connection c = old_layout::open(file);
                QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), rows);
                QCOMPARE(c.scalar("SELECT * FROM SECURITY").toString(), Password);
                ++oldLayouts;
            } else {
                Connection c = Connection::openFile(file, Password);
                QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), rows);
                QCOMPARE(c.scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker);
                QCOMPARE(c.scalar("PRAGMA integrity_check").toString(), QString("ok"));
                ++newLayouts;
            }
            QCOMPARE(QDir(work.path()).entryList(QDir::Files).filter(QRegularExpression("converting|part")), QStringList());
        }
        qInfo("after 50 kills: %d folders still old, %d converted (one conversion: %lld ms)", oldLayouts, newLayouts, duration);
        QVERIFY(oldLayouts > 0); // the kills did come in the middle of it
    }
};

QObject *newKeysTest()
{
    return new KeysTest;
}

#include "tst_keys.moc"
