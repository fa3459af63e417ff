#include "data/backup.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "data/leftovers.h"
#include "data/old_layout.h"
#include "data/rekeying.h"
#include "data/keys/private_files.h"
#include "data/schema.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
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
bool opensWithRawKey(const QString &path, const SecretBytes &dataKey)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray pragmas =
        "PRAGMA key = \"x'" + QByteArray(dataKey.constData(), dataKey.size()).toHex() + "'\"; PRAGMA cipher_page_size = 4096;";
    sqlite3_exec(db, pragmas.constData(), nullptr, nullptr, nullptr);
    const bool opened = sqlite3_exec(db, "SELECT count(*) FROM SECURITY", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return opened;
}

// How a secret fares against the practice now: opens it, or is refused as a wrong password.
bool opensData(const QString &file, const QString &secret)
{
    try {
        return Connection::openFile(file, secret).scalar("SELECT COUNT(*) FROM SECURITY").toInt() == 1;
    } catch (const DbError &e) {
        if (e.kind() != DbError::Kind::WrongPassword)
            throw;
        return false;
    }
}

void setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList filesIn(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
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
        m_recoveryKey = setOwnPassword(dataFile(), FactoryDefaultPassword, Password);
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
        changePassword(dataFile(), Password, "Άλλος");
        QCOMPARE(fileBytes(dataFile()), data);
        QVERIFY(!unlocks(dataFile(), Password));
        QVERIFY(unlocks(dataFile(), "Άλλος"));
        QVERIFY(unlocks(dataFile(), m_recoveryKey));
        // The recovery key opens the way to a password when the password is lost.
        changePassword(dataFile(), m_recoveryKey, "Τρίτος");
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
        QTest::newRow("newer version") << QByteArray("velmora-key 2") << QByteArray("velmora-key 3") << "newer version";
        QTest::newRow("not a key file") << QByteArray("velmora-key 2") << QByteArray("hello") << "damaged";
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
        const qsizetype box = bytes.indexOf('\n', bytes.indexOf("password argon2id")) - 3; // inside the last field
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
        setOwnPassword(file, DbPassword, Password);
        rekeying::changeDataKey(file, Password, Password);
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

    // velmora-db on a folder of the old layout: `sql` and `backup` read it with its own password
    // and change nothing; a backup keeps the layout, for the program to convert; every other
    // command says that the program converts the folder at its next start.
    void velmoraDbOnAnOldFolder_data()
    {
        QTest::addColumn<QStringList>("arguments"); // FILE: the old data.mdb, DEST: a backup
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString converts = QStringLiteral("converts it at its next start");
        const QString wrong = QStringLiteral("Not a valid password");
        const QStringList select{"sql", "FILE", "SELECT TITLOS FROM DIAITES"};
        QTest::newRow("sql reads") << select << Password << 0 << "^TITLOS\nΠαλιά δίαιτα\n$";
        QTest::newRow("sql, another password") << select << "Κωδικός 2" << 1 << wrong;
        QTest::newRow("sql, a write") << QStringList{"sql", "FILE", "DELETE FROM DIAITES"} << Password << 1
                                      << converts + ".*only read here";
        QTest::newRow("backup") << QStringList{"backup", "FILE", "DEST"} << Password << 0 << "copy\\.mdb\\n";
        QTest::newRow("backup, another password") << QStringList{"backup", "FILE", "DEST"} << "Κωδικός 2" << 1 << wrong;
        for (const char *command : {"password", "recovery", "key", "due"})
            QTest::newRow(command) << QStringList{command, "FILE"} << Password << 1 << converts;
    }
    void velmoraDbOnAnOldFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString file = folder.filePath(DataFileName), backup = folder.filePath("backup/copy.mdb");
        createOldLayoutFile(file, Password);
        const QByteArray before = fileBytes(file);
        arguments.replaceInStrings(QRegularExpression("^FILE$"), file).replaceInStrings(QRegularExpression("^DEST$"), backup);
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VELMORA_PASSWORD", password);
        environment.insert("VELMORA_NEW_PASSWORD", "Νέος κωδ 1");
        tool.setProcessEnvironment(environment);
        tool.start(VELMORA_DB, arguments);
        QVERIFY(tool.waitForFinished(60000));
        const QString output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY2(QRegularExpression(says).match(output).hasMatch(), qPrintable(output));
        QCOMPARE(fileBytes(file), before);
        QVERIFY(old_layout::isOldLayout(file));
        QCOMPARE(QFile::exists(backup), arguments.first() == "backup" && exitCode == 0);
        if (QFile::exists(backup)) {
            QVERIFY(old_layout::isOldLayout(backup));
            QCOMPARE(fileMode(backup), 0600);
            QCOMPARE(old_layout::openForReading(backup, Password).scalar("SELECT TITLOS FROM DIAITES").toString(),
                     QString("Παλιά δίαιτα"));
        }
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

    // An earlier key file (a copy, a backup, blocks left on a disk) with the password of its
    // time opens nothing once the data key changed; the recovery key on paper still opens.
    void oldKeyFilesOpenNothingAfterANewDataKey_data()
    {
        QTest::addColumn<bool>("fromFactoryState");
        QTest::newRow("first password") << true;
        QTest::newRow("change with a new data key") << false;
    }
    void oldKeyFilesOpenNothingAfterANewDataKey()
    {
        QFETCH(bool, fromFactoryState);
        TestPractice practice;
        const QString file = practice.dataFile(), keyFile = keyFilePathFor(file);
        QString oldPassword = FactoryDefaultPassword, recovery;
        if (!fromFactoryState) {
            recovery = setOwnPassword(file, FactoryDefaultPassword, Password);
            oldPassword = Password;
        }
        Connection::openFile(file, oldPassword).execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        const QByteArray oldKeyFile = fileBytes(keyFile);
        QList<double> steps;
        rekeying::changeDataKey(file, oldPassword, "Νέος κωδικός", [&steps](double done) { steps << done; });
        QVERIFY(!steps.isEmpty() && steps.last() == 1.0);
        QVERIFY(std::is_sorted(steps.begin(), steps.end()));
        QCOMPARE(Connection::openFile(file, "Νέος κωδικός").scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Α"));
        QCOMPARE(KeyFile::load(keyFile).passwordState(), KeyFile::PasswordState::Own);
        if (!recovery.isEmpty())
            QVERIFY(opensData(file, recovery));
        QCOMPARE(filesIn(practice.directory()), QStringList({"data.key", "data.mdb"}));

        writeBytes(keyFile, oldKeyFile);
        QVERIFY(!opensData(file, oldPassword));
    }

    void newPasswordRules_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("fault");
        QTest::newRow("one digit") << "1" << int(NewPasswordFault::TooShort);
        QTest::newRow("seven, blanks around") << "  Κωδικ1  " << int(NewPasswordFault::TooShort);
        QTest::newRow("factory default") << FactoryDefaultPassword << int(NewPasswordFault::FactoryDefault);
        QTest::newRow("factory default with blanks") << " 40617283 " << int(NewPasswordFault::FactoryDefault);
        QTest::newRow("forbidden character") << "Κωδικός.12" << int(NewPasswordFault::Unacceptable);
        QTest::newRow("eight Greek letters") << "Κωδικόςα" << int(NewPasswordFault::None);
    }
    void newPasswordRules()
    {
        QFETCH(QString, password);
        QFETCH(int, fault);
        QCOMPARE(int(newPasswordFault(password)), fault);
    }

    // A new recovery key counts only once confirmed: until then the previous one opens, which a
    // kill before «Συνέχεια» leaves as it is.
    void recoveryKeyCountsOnceConfirmed()
    {
        const QString fresh = addPendingRecoveryKey(dataFile(), Password);
        QVERIFY(!opensData(dataFile(), fresh));
        QVERIFY(opensData(dataFile(), m_recoveryKey));
        QVERIFY(hasRecoveryKey(dataFile()));
        confirmRecoveryKey(dataFile());
        QVERIFY(opensData(dataFile(), fresh));
        QVERIFY(!opensData(dataFile(), m_recoveryKey));
    }

    void recoveryKeyAsTyped_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Greek look-alike capitals") << "greek";
        QTest::newRow("small letters, no dashes") << "lower";
    }
    void recoveryKeyAsTyped()
    {
        QFETCH(QString, how);
        QString typed = m_recoveryKey;
        if (how == "greek") {
            const QString latin = "ABEZHKMNPTYX", greek = "ΑΒΕΖΗΚΜΝΡΤΥΧ";
            for (int i = 0; i < latin.size(); ++i)
                typed.replace(latin[i], greek[i]);
        } else {
            typed = typed.toLower().remove('-');
        }
        QVERIFY(opensData(dataFile(), typed));
        for (int i = 0; i < 50; ++i)
            QVERIFY(!newRecoveryKey().contains(QRegularExpression("[01ILO]")));
    }

    // Refused as damaged before any derivation or whole reading: not taken for a wrong password.
    void keyFilesOutOfBoundsAreDamaged_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("over 4 KiB") << QByteArray("password-state own\n")
                                    << QByteArray("password-state own\n") + QByteArray(5000, '\n');
        QTest::newRow("64 passes") << QByteArray("password argon2id 3 ") << QByteArray("password argon2id 64 ");
        QTest::newRow("no pass") << QByteArray("password argon2id 3 ") << QByteArray("password argon2id 0 ");
        QTest::newRow("1 GiB") << QByteArray("password argon2id 3 67108864") << QByteArray("password argon2id 3 1073741824");
        QTest::newRow("4 MiB") << QByteArray("password argon2id 3 67108864") << QByteArray("password argon2id 3 4194304");
    }
    void keyFilesOutOfBoundsAreDamaged()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const QString keyFile = keyFilePathFor(dataFile());
        const QByteArray bytes = fileBytes(keyFile);
        QVERIFY(bytes.contains(from));
        writeBytes(keyFile, QByteArray(bytes).replace(from, to));
        try {
            Connection::openFile(dataFile(), Password);
            QFAIL("opened");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::DamagedKeyFile);
        }
    }

    // What kills leave beside the data, removed at the next start; what may be in use stays.
    void leftoversAreRemoved()
    {
        const QDir folder(m_practice->directory());
        const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
        QVERIFY(folder.mkpath("backup"));
        const auto make = [&](const QString &name, bool stale) {
            writeBytes(folder.filePath(name), "x");
            if (stale)
                setModified(folder.filePath(name), old);
        };
        make("data.key.part-1", true);
        make("data.key.part-2", false); // being written right now
        make("data.mdb-mj01234567", true);
        make("data-rekeying-00112233445566778899aabbccddeeff.mdb", false);
        make("backup/data-2026-01-01-100000.key", true); // its copy never got there
        backupDatabase(dataFile(), folder.filePath("backup/kept.mdb"), Password);
        removeLeftovers(dataFile());
        QCOMPARE(filesIn(folder.path()),
                 QStringList({"backup/kept.key", "backup/kept.mdb", "data.key", "data.key.part-2", "data.mdb"}));
        QVERIFY(opensData(dataFile(), Password));
    }

    // The moments a kill can leave a re-keying in, each settled at the next start.
    void interruptedRekeyingSettles_data()
    {
        QTest::addColumn<bool>("keyWritten");
        QTest::newRow("new file made, key file not yet") << false;
        QTest::newRow("key file written, new file not yet moved") << true;
    }
    void interruptedRekeyingSettles()
    {
        QFETCH(bool, keyWritten);
        const QDir folder(m_practice->directory());
        const QByteArray oldData = fileBytes(dataFile()), oldKey = fileBytes(keyFilePathFor(dataFile()));
        rekeying::changeDataKey(dataFile(), Password, "Νέος κωδικός");
        const QString copy = folder.filePath(
            "data-rekeying-" + QString::fromLatin1(KeyFile::load(keyFilePathFor(dataFile())).dataKeyId().toHex()) + ".mdb");
        QVERIFY(QFile::rename(dataFile(), copy));
        writeBytes(dataFile(), oldData);
        if (!keyWritten)
            writeBytes(keyFilePathFor(dataFile()), oldKey);

        removeLeftovers(dataFile());
        QCOMPARE(filesIn(folder.path()), QStringList({"data.key", "data.mdb"}));
        QCOMPARE(opensData(dataFile(), "Νέος κωδικός"), keyWritten);
        QCOMPARE(opensData(dataFile(), Password), !keyWritten);
        QVERIFY(opensData(dataFile(), m_recoveryKey));
    }

    // Killed at any moment while moving under a new data key, a folder always opens with exactly
    // one of the two passwords, every row there.
    void rekeyingSurvivesKills()
    {
        QTemporaryDir original;
        const QString source = QDir(original.path()).filePath(DataFileName);
        QVERIFY(QFile::copy(dataFile(), source) && QFile::copy(keyFilePathFor(dataFile()), keyFilePathFor(source)));
        {
            Connection c = Connection::openFile(source, Password);
            Transaction t(c);
            for (int i = 0; i < 3000; ++i) // enough rows for the copy to take a while
                c.execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES(?,?)", {QString("Δίαιτα %1").arg(i), QString(200, 'x')});
            t.commit();
        }
        const QString newPassword = "Νέος κωδικός";
        const QByteArray originalKey = KeyFile::load(keyFilePathFor(source)).dataKeyId();
        QTemporaryDir work;
        const QString file = QDir(work.path()).filePath(DataFileName);
        const auto restore = [&] {
            for (const QString &name : QDir(work.path()).entryList(QDir::Files | QDir::Hidden))
                QFile::remove(QDir(work.path()).filePath(name));
            QFile::copy(source, file);
            QFile::copy(keyFilePathFor(source), keyFilePathFor(file));
        };
        const auto rekey = [&](QProcess &rekeyer) {
            rekeyer.start(QStringLiteral(REKEYER), {file, Password, newPassword});
            QVERIFY(rekeyer.waitForStarted());
        };

        restore();
        QElapsedTimer whole;
        whole.start();
        {
            QProcess rekeyer;
            rekey(rekeyer);
            QVERIFY(rekeyer.waitForFinished(60000));
            QCOMPARE(rekeyer.exitCode(), 0);
        }
        const qint64 duration = whole.elapsed();

        QRandomGenerator random(23);
        int before = 0, after = 0;
        for (int kill = 0; kill < 50; ++kill) {
            restore();
            QProcess rekeyer;
            rekey(rekeyer);
            QTest::qWait(int(duration * 1.25 * (kill + random.generateDouble()) / 50));
            if (const qint64 pid = rekeyer.processId(); pid > 0 && rekeyer.state() == QProcess::Running)
                ::kill(pid_t(pid), SIGKILL);
            rekeyer.waitForFinished();
            // Left as a killed program leaves them: stale to the next start.
            for (const QString &name : QDir(work.path()).entryList(QDir::Files | QDir::Hidden))
                setModified(QDir(work.path()).filePath(name), QDateTime::currentDateTime().addSecs(-3600));

            removeLeftovers(file);
            // The key file holds one password: the one of the data key it names opens the file.
            const bool rekeyed = KeyFile::load(keyFilePathFor(file)).dataKeyId() != originalKey;
            {
                Connection c = Connection::openFile(file, rekeyed ? newPassword : Password);
                QCOMPARE(c.scalar("SELECT COUNT(*) FROM DIAITES").toInt(), 3000);
                QCOMPARE(c.scalar("PRAGMA integrity_check").toString(), QString("ok"));
            }
            // Nothing of the copy is left, nor a log: the last connection took its own with it.
            QCOMPARE(QDir(work.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"data.key", "data.mdb"}));
            ++(rekeyed ? after : before);
        }
        qInfo("after 50 kills: %d folders under the old key, %d under the new (one re-keying: %lld ms)", before, after,
              duration);
        QVERIFY(before > 0);                     // the kills did come in the middle of it
        QVERIFY(opensData(file, m_recoveryKey)); // the recovery key follows a new data key
    }
};

QObject *newKeysTest()
{
    return new KeysTest;
}

#include "tst_keys.moc"
