#include "actions.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/keys/key_file.h"
#include "started_window.h"
#include "ui/messages.h"
#include "modal.h"
#include "data/old_layout.h"
#include "ui/password_windows.h"
#include "app/recovery_key_window.h"
#include "data/schema.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

const QString Wrong = QStringLiteral("Λανθασμένος κωδικός πρόσβασης.");

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QString::fromLatin1(name));
}

// Logs in with `password` when the login window comes.
void logInWith(const QString &password)
{
    whenShown("TForm65", [password](QWidget *login) {
        type(login, "Edit1", password);
        button(login, "Button1")->click();
    });
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QAction *menuItem(MainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestPractice> m_practice;
    QString m_previousDirectory;

    std::unique_ptr<StartedWindow> newMainWindow() { return std::make_unique<StartedWindow>(); }
    QString m_password = FactoryDefaultPassword;
    QString m_recoveryKey;

    Connection connect() { return Connection::openFile(m_practice->dataFile(), m_password); }
    // As the set-password window leaves a practice: the password and a recovery key.
    void setPassword(const QString &password)
    {
        m_recoveryKey = setOwnPassword(m_practice->dataFile(), m_password, password);
        m_password = password;
    }

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_password = FactoryDefaultPassword;
        m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_practice->directory());
    }
    void cleanup()
    {
        QDir::setCurrent(m_previousDirectory);
        m_practice.reset();
    }

    // The first start: weak passwords refused in words, then a new data key under the practice's
    // own password and a recovery key that counts once «Συνέχεια» is pressed.
    void factoryDefaultAsksForANewPasswordFirst()
    {
        MessageLog log;
        bool setPasswordShown = false;
        QString recoveryKey;
        const QByteArray factoryKeyFile = fileBytes(keyFilePathFor(m_practice->dataFile()));
        whenShown("TForm100", [&](QWidget *w) {
            setPasswordShown = true;
            QPushButton *store = button(w, "Button1");
            type(w, "Edit1", "Νέος κωδ1");
            type(w, "Edit2", "Νέος κωδ2");
            QVERIFY(!store->isEnabled()); // not equal
            for (const QString &weak : {QString("Νέος1"), FactoryDefaultPassword}) {
                type(w, "Edit1", weak);
                type(w, "Edit2", weak);
                store->click();
                QVERIFY(w->isVisible());
                QCOMPARE(w->focusWidget(), w->findChild<QLineEdit *>("Edit1"));
            }
            type(w, "Edit1", "Νέος κωδ1");
            type(w, "Edit2", "Νέος κωδ1");
            QVERIFY(store->isEnabled());
            // The recovery key is shown once, after the password is set.
            whenShown("RecoveryKey", [&](QWidget *shown) {
                recoveryKey = shown->findChild<QLabel *>("RecoveryKeyText")->text();
                QVERIFY(!unlocks(m_practice->dataFile(), recoveryKey)); // not yet confirmed
                QTest::keyClick(shown, Qt::Key_Escape); // no slip loses it
                QVERIFY(shown->isVisible());
                QTest::keyClick(shown, Qt::Key_Return);
            });
            store->click();
            // The login then accepts only the new password.
            whenShown("TForm65", [&](QWidget *login) {
                type(login, "Edit1", "40617283");
                button(login, "Button1")->click();
                QCOMPARE(login->findChild<QLineEdit *>("Edit1")->text(), QString());
                QVERIFY(!button(login, "Button1")->isEnabled());
                type(login, "Edit1", "Νέος κωδ1");
                button(login, "Button1")->click();
            });
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QVERIFY(setPasswordShown);
        QVERIFY(AccessGranted);
        QVERIFY(window->isVisible());
        QCOMPARE(log.texts.first(), StartupInformation);
        QCOMPARE(log.texts.mid(1, 2),
                 QStringList({"Ο κωδικός πρόσβασης πρέπει να έχει τουλάχιστον 8 χαρακτήρες.",
                              "Ο κωδικός 40617283 είναι ο αρχικός κωδικός του προγράμματος, γνωστός σε όλους· ορίστε "
                              "δικό σας κωδικό πρόσβασης."}));
        QVERIFY(log.texts.contains("Ο καθορισμός του κωδικού πρόσβασης έγινε με επιτυχία."));
        QCOMPARE(log.texts.count(Wrong), 1);
        QVERIFY2(QRegularExpression("^([2-9A-HJKMNP-Z]{4}-){5}[2-9A-HJKMNP-Z]{4}$").match(recoveryKey).hasMatch(),
                 qPrintable(recoveryKey));
        QVERIFY(!unlocks(m_practice->dataFile(), FactoryDefaultPassword));
        QVERIFY(unlocks(m_practice->dataFile(), recoveryKey));
        // The password is kept nowhere in the run: the connection string carries a session.
        QVERIFY(!DbConnectionString.contains("Νέος κωδ1"));
        Connection session(DbConnectionString);
        QCOMPARE(session.scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker);
        // A copy of the folder made before the first password opens nothing of today's data.
        QFile::remove(keyFilePathFor(m_practice->dataFile()));
        QFile copy(keyFilePathFor(m_practice->dataFile()));
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(factoryKeyFile) > 0);
        copy.close();
        QVERIFY_THROWS_EXCEPTION(DbError, Connection::openFile(m_practice->dataFile(), FactoryDefaultPassword));
    }

    // Ended while the recovery key was shown: the next start, after the login, shows a new one.
    void anUnconfirmedRecoveryKeyIsShownAgain()
    {
        changePassword(m_practice->dataFile(), FactoryDefaultPassword, "Pass 1234");
        const QString lost = addPendingRecoveryKey(m_practice->dataFile(), "Pass 1234");
        MessageLog log;
        logInWith("Pass 1234");
        QString shownKey;
        whenShown("RecoveryKey", [&](QWidget *shown) {
            shownKey = shown->findChild<QLabel *>("RecoveryKeyText")->text();
            button(shown, "Button2")->click();
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QVERIFY(!shownKey.isEmpty() && shownKey != lost);
        QVERIFY(unlocks(m_practice->dataFile(), shownKey));
        QVERIFY(!unlocks(m_practice->dataFile(), lost));
    }

    // Enter in the empty password field neither moves on to "Έξοδος" nor, pressed again, leaves:
    // the password typed next still reaches the field.
    void loginEnterWaitsForThePassword()
    {
        setPassword("Pass 1234");
        MessageLog log;
        bool stayed = false;
        whenShown("TForm65", [&](QWidget *login) {
            auto *field = login->findChild<QLineEdit *>("Edit1");
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClick(login->focusWidget(), Qt::Key_Return);
            stayed = login->isVisible() && login->focusWidget() == field;
            QTest::keyClicks(login->focusWidget(), "Pass 1234");
            QTest::keyClick(login->focusWidget(), Qt::Key_Return);
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QVERIFY(stayed);
        QVERIFY(AccessGranted);
    }

    void loginRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exact") << "Pass 1234" << true << true;
        QTest::newRow("blanks around") << "   Pass 1234  " << true << true;
        QTest::newRow("other letter case") << "pass 1234" << true << false;
        QTest::newRow("blanks only") << "    " << false << false;
        QTest::newRow("forbidden character") << "Pass.1234" << false << false;
    }
    void loginRules()
    {
        QFETCH(QString, typed);
        QFETCH(bool, enabled);
        QFETCH(bool, accepted);
        setPassword("Pass 1234");
        MessageLog log;
        whenShown("TForm65", [&](QWidget *login) {
            for (int attempt = 0; attempt < 3; ++attempt) { // retries are not limited
                type(login, "Edit1", typed);
                QCOMPARE(button(login, "Button1")->isEnabled(), enabled);
                if (!enabled || accepted)
                    break;
                button(login, "Button1")->click();
                QCOMPARE(login->focusWidget(), login->findChild<QLineEdit *>("Edit1"));
            }
            if (enabled && accepted) {
                button(login, "Button1")->click();
            } else {
                type(login, "Edit1", "Pass 1234");
                QTRY_VERIFY(button(login, "Button1")->isEnabled()); // after three wrong ones, a second's wait
                button(login, "Button1")->click();
            }
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QCOMPARE(log.texts.count(Wrong), enabled && !accepted ? 3 : 0);
    }

    void loginWaitGrows_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("seconds");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("third wrong") << 3 << 1;
        QTest::newRow("fourth") << 4 << 2;
        QTest::newRow("fifth") << 5 << 4;
        QTest::newRow("seventh") << 7 << 16;
        QTest::newRow("eighth: the longest") << 8 << 30;
        QTest::newRow("hundredth") << 100 << 30;
    }
    void loginWaitGrows()
    {
        QFETCH(int, failures);
        QFETCH(int, seconds);
        QCOMPARE(LoginWindow::waitSeconds(failures), seconds);
        if (failures == 0)
            QCOMPARE(LoginWindow::waitSeconds(2), 0);
    }

    // Four wrong passwords: the fourth try waits a second, shown; the fifth two.
    void wrongPasswordsMakeTheNextTryWait()
    {
        setPassword("Pass 1234");
        MessageLog log;
        QStringList notes;
        whenShown("TForm65", [&](QWidget *login) {
            auto *note = login->findChild<QLabel *>("WaitNote");
            for (int attempt = 1; attempt <= 4; ++attempt) {
                type(login, "Edit1", "Λάθος 123");
                QTRY_VERIFY(button(login, "Button1")->isEnabled());
                button(login, "Button1")->click();
                notes << note->text();
            }
            type(login, "Edit1", "Pass 1234");
            QVERIFY(!button(login, "Button1")->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(button(login, "Button1")->isEnabled(), 4000);
            QCOMPARE(note->text(), QString());
            button(login, "Button1")->click();
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QCOMPARE(log.texts.count(Wrong), 4);
        QCOMPARE(notes, QStringList({"", "", "Νέα προσπάθεια σε 1 δευτερόλεπτο.", "Νέα προσπάθεια σε 2 δευτερόλεπτα."}));
    }

    void loginExitEndsTheProgram()
    {
        setPassword("x1");
        MessageLog log;
        whenShown("TForm65", [](QWidget *login) { QTest::keyClick(login, Qt::Key_Escape); });
        auto window = newMainWindow();
        QVERIFY(!window->startUp());
        QVERIFY(!AccessGranted);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->exitStatus(), 0); // the person's choice, not a failure
    }

    // With no calculator installed the button says so, naming the programs it looked for.
    void calculatorMissingIsSaid()
    {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_practice->directory().toLocal8Bit());
        MessageLog log;
        MainWindow window;
        window.open("Calculator");
        qputenv("PATH", path);
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().contains("galculator"), qPrintable(log.texts.first()));
    }

    // Each bad file: one message with the reason and the path, a failure status, the file as it was.
    void badDataFileEndsWithItsReason_data()
    {
        // clang-format off
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        const QString damaged = "Το αρχείο δεδομένων είναι κατεστραμμένο ή δεν ανοίγει με τον κωδικό της βάσης.";
        QTest::newRow("missing") << "missing" << "Το αρχείο δεδομένων δεν βρέθηκε.";
        QTest::newRow("empty") << "empty" << damaged;
        QTest::newRow("random bytes") << "random" << damaged;
        QTest::newRow("other key") << "key" << damaged;
        QTest::newRow("newer version") << "newer"
                                       << "Το αρχείο δεδομένων γράφτηκε από νεότερη έκδοση του προγράμματος.";
        QTest::newRow("table missing") << "table"
                                       << "Το αρχείο δεδομένων δεν έχει όσα περιμένει το πρόγραμμα (no table EKSODA).";
        // clang-format on
    }
    void badDataFileEndsWithItsReason()
    {
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        const QString file = m_practice->dataFile();
        if (damage == "newer") {
            connect().execute("PRAGMA user_version = 99");
        } else if (damage == "table") {
            connect().execute("DROP TABLE EKSODA");
        } else {
            QFile::remove(file);
            if (damage == "key") {
                QTemporaryDir elsewhere;
                schema::createDatabase(elsewhere.filePath("data.mdb"), FactoryDefaultPassword);
                QVERIFY(QFile::copy(elsewhere.filePath("data.mdb"), file)); // under another data key
            } else if (damage != "missing") {
                QFile out(file);
                QVERIFY(out.open(QIODevice::WriteOnly));
                if (damage == "random")
                    for (int i = 0; i < 4096; ++i)
                        out.putChar(char(QRandomGenerator::global()->bounded(256)));
            }
        }
        const QByteArray before = QFile::exists(file) ? [&] {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            return in.readAll();
        }() : QByteArray();

        MessageLog log;
        auto window = newMainWindow();
        QVERIFY(!window->startUp());
        QVERIFY(!window->isVisible());
        QCOMPARE(window->exitStatus(), 1);
        QCOMPARE(log.texts, QStringList({StartupInformation, "Το πρόγραμμα δεν μπορεί να ξεκινήσει.\n" + reason + "\n" +
                                                                 QDir::toNativeSeparators(file)}));
        QFile after(file);
        QCOMPARE(after.exists(), damage != "missing");
        if (after.open(QIODevice::ReadOnly))
            QVERIFY(after.readAll() == before);
    }

    void remindersDatedToday_data()
    {
        QTest::addColumn<int>("today");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("two") << 2 << false;
    }
    void remindersDatedToday()
    {
        QFETCH(int, today);
        QFETCH(bool, shown);
        setPassword("x1");
        Connection c = connect();
        const QDate date = QDate::currentDate();
        for (int i = 0; i < today; ++i)
            c.execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(?,?)", {date, QString("Τηλέφωνο %1").arg(i)});
        c.execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(?,'αύριο')", {date.addDays(1)});
        MessageLog log;
        logInWith("x1");
        QString displayed;
        bool seen = false;
        whenShown("TForm12", [&](QWidget *display) {
            seen = true;
            displayed = display->findChild<QWidget *>("DBMemo1")->property("plainText").toString();
            button(display, "Button1")->click();
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        if (!shown)
            QTest::qWait(100); // give a wrongly opened display the chance to show
        QCOMPARE(seen, shown);
        if (shown)
            QCOMPARE(displayed, QString("Τηλέφωνο 0"));
    }

    void receiptNumberingItemAndFlag()
    {
        setPassword("x1");
        MessageLog log;
        logInWith("x1");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QAction *item = menuItem(*window, "ReceiptNumbering");
        QVERIFY(item->isVisible());
        QVERIFY(!ReceiptNumberingSet);
        connect().execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        window->checkReceiptNumbering();
        QVERIFY(!item->isVisible());
        QVERIFY(ReceiptNumberingSet);
    }

    void exitAsksFirst()
    {
        setPassword("x1");
        MessageLog log;
        logInWith("x1");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        log.answer = false;
        menuItem(*window, "Exit")->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(log.texts.last(), QString("Έξοδος;"));
        log.answer = true;
        window->close();
        QVERIFY(!window->isVisible());
    }

    void buttonsPanelToggles()
    {
        setPassword("x1");
        MessageLog log;
        logInWith("x1");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QWidget *panel = window->findChild<QWidget *>("Panel3");
        QPushButton *toggle = window->findChild<QPushButton *>("BitBtn1");
        QVERIFY(!panel->isVisible());
        toggle->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->findChild<QPushButton *>("Button2")->focusPolicy(), Qt::ClickFocus);
        toggle->click();
        QVERIFY(!panel->isVisible());
    }

    // The current password is judged by the key file, the factory default and short ones are
    // refused in words; with «Νέο κλειδί δεδομένων» (on by default) an earlier key file opens
    // nothing, without it only the key file changes.
    void changingThePassword_data()
    {
        QTest::addColumn<bool>("newDataKey");
        QTest::newRow("new data key") << true;
        QTest::newRow("same data key") << false;
    }
    void changingThePassword()
    {
        QFETCH(bool, newDataKey);
        setPassword("Παλιός κωδ");
        MessageLog log;
        logInWith("Παλιός κωδ");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        whenShown("TForm66", [&](QWidget *w) {
            auto *box = w->findChild<QCheckBox *>("CheckBox1");
            QVERIFY(box->isChecked());
            box->setChecked(newDataKey);
            type(w, "Edit1", "Λάθος κωδ");
            type(w, "Edit2", "40617283");
            type(w, "Edit3", "40617283");
            button(w, "Button1")->click(); // the factory default, refused before the current is judged
            type(w, "Edit2", "Νέος κωδικός");
            type(w, "Edit3", "Νέος κωδικός");
            button(w, "Button1")->click(); // the current one is wrong
            QCOMPARE(w->focusWidget(), w->findChild<QLineEdit *>("Edit1"));
            type(w, "Edit1", " Παλιός κωδ ");
            button(w, "Button1")->click();
        });
        const QByteArray dataBefore = fileBytes(m_practice->dataFile());
        const QByteArray keyFileBefore = fileBytes(keyFilePathFor(m_practice->dataFile()));
        menuItem(*window, "ChangePassword")->trigger();
        QCOMPARE(log.texts.mid(log.texts.size() - 3),
                 QStringList({"Ο κωδικός 40617283 είναι ο αρχικός κωδικός του προγράμματος, γνωστός σε όλους· ορίστε "
                              "δικό σας κωδικό πρόσβασης.",
                              Wrong, "Η αλλαγή του κωδικού πρόσβασης έγινε με επιτυχία."}));
        QCOMPARE(fileBytes(m_practice->dataFile()) == dataBefore, !newDataKey);
        QVERIFY(!unlocks(m_practice->dataFile(), "Παλιός κωδ"));
        QVERIFY(unlocks(m_practice->dataFile(), m_recoveryKey)); // the sheet stays good
        // The windows go on working in this run.
        QCOMPARE(Connection(DbConnectionString).scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker);

        QFile::remove(keyFilePathFor(m_practice->dataFile()));
        QFile earlier(keyFilePathFor(m_practice->dataFile()));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(keyFileBefore) > 0);
        earlier.close();
        bool opened = true;
        try {
            Connection::openFile(m_practice->dataFile(), "Παλιός κωδ");
        } catch (const DbError &) {
            opened = false;
        }
        QCOMPARE(opened, !newDataKey);
    }

    // While the program runs on the folder, `velmora-db password --new-key` would leave its
    // connections with the replaced file: it is refused until the program has ended.
    void noNewDataKeyFromOutsideWhileRunning()
    {
        setPassword("Παλιός κωδ");
        MessageLog log;
        logInWith("Παλιός κωδ");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        const auto newDataKeyFromOutside = [this] {
            QProcess tool;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("VELMORA_PASSWORD", "Παλιός κωδ");
            environment.insert("VELMORA_NEW_PASSWORD", "Νέος κωδικός");
            tool.setProcessEnvironment(environment);
            tool.start(VELMORA_DB, {"password", m_practice->dataFile(), "--new-key"});
            return tool.waitForFinished(120000) ? tool.exitCode() : -1;
        };
        const QByteArray keyFileBefore = fileBytes(keyFilePathFor(m_practice->dataFile()));
        QCOMPARE(newDataKeyFromOutside(), 1);
        QCOMPARE(fileBytes(keyFilePathFor(m_practice->dataFile())), keyFileBefore);
        QCOMPARE(Connection(DbConnectionString).scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker);
        window.reset();
        QCOMPARE(newDataKeyFromOutside(), 0);
        QVERIFY(unlocks(m_practice->dataFile(), "Νέος κωδικός"));
    }

    // «Νέο κλειδί ανάκτησης» asks the password; the new key replaces the old once confirmed.
    void newRecoveryKeyFromTheMenu()
    {
        setPassword("Παλιός κωδ");
        MessageLog log;
        logInWith("Παλιός κωδ");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QString shownKey;
        whenShown("NewRecoveryKey", [&](QWidget *w) {
            type(w, "Edit1", "Λάθος κωδ");
            QTest::keyClick(w, Qt::Key_Return);
            QCOMPARE(log.texts.last(), Wrong);
            type(w, "Edit1", "Παλιός κωδ");
            whenShown("RecoveryKey", [&](QWidget *shown) {
                shownKey = shown->findChild<QLabel *>("RecoveryKeyText")->text();
                QVERIFY(unlocks(m_practice->dataFile(), m_recoveryKey)); // until «Συνέχεια»
                QTest::keyClick(shown, Qt::Key_Return);
            });
            QTest::keyClick(w, Qt::Key_Return);
        });
        menuItem(*window, "NewRecoveryKey")->trigger();
        QVERIFY(unlocks(m_practice->dataFile(), shownKey));
        QVERIFY(!unlocks(m_practice->dataFile(), m_recoveryKey));
    }

    void backupFromTheMenu()
    {
        setPassword("x1");
        connect().execute("INSERT INTO DIAITES(TITLOS,PERIGRAFH) VALUES('Α','x')");
        MessageLog log;
        logInWith("x1");
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        menuItem(*window, "Backup")->trigger();
        const QStringList copies = QDir(m_practice->directory() + "/backup").entryList({"data-*.mdb"}, QDir::Files);
        QCOMPARE(copies.size(), 1);
        const QString copy = m_practice->directory() + "/backup/" + copies.first();
        QVERIFY2(log.texts.last().endsWith(copy), qPrintable(log.texts.last()));
        Connection opened = Connection::openFile(copy, "x1"); // its key file came along
        QCOMPARE(opened.scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Α"));
    }

    void forgottenPasswordTakesTheRecoveryKey()
    {
        setPassword("Παλιός");
        MessageLog log;
        whenShown("TForm65", [&](QWidget *login) {
            QPushButton *forgotten = button(login, "Button3");
            QVERIFY(forgotten->isVisible());
            whenShown("ForgottenPassword", [&](QWidget *w) {
                type(w, "Edit1", "2222-2222-2222-2222-2222-2222");
                QTest::keyClick(w, Qt::Key_Return);
                QCOMPARE(log.texts.last(), QString("Λανθασμένο κλειδί ανάκτησης."));
                // Typed from the sheet in small letters and without the dashes, it still opens.
                type(w, "Edit1", m_recoveryKey.toLower().remove('-'));
                whenShown("TForm100", [](QWidget *set) {
                    type(set, "Edit1", "Νέος κωδικός");
                    type(set, "Edit2", "Νέος κωδικός");
                    QTest::keyClick(set, Qt::Key_Return);
                });
                QTest::keyClick(w, Qt::Key_Return);
            });
            forgotten->click();
            type(login, "Edit1", "Νέος κωδικός");
            button(login, "Button1")->click();
        });
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QVERIFY(log.texts.contains("Ο καθορισμός του κωδικού πρόσβασης έγινε με επιτυχία."));
        QVERIFY(!unlocks(m_practice->dataFile(), "Παλιός"));
        QVERIFY(unlocks(m_practice->dataFile(), m_recoveryKey)); // the sheet stays good
    }

    void factoryStateOffersNoRecovery()
    {
        MessageLog log;
        bool offered = true;
        whenShown("TForm65", [&](QWidget *login) {
            offered = button(login, "Button3")->isVisible();
            QTest::keyClick(login, Qt::Key_Escape);
        });
        DbConnectionString = m_practice->connectionString();
        LoginWindow(nullptr).exec();
        QVERIFY(!offered);
    }

    // A folder of the old layout is converted at its first start, after the login check; its old
    // password lies in every copy of the old file, so the practice's own follows at once.
    void oldLayoutIsConvertedAtTheFirstStart_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("own password") << "Παλιός 1";
        QTest::newRow("factory default") << "40617283";
    }
    void oldLayoutIsConvertedAtTheFirstStart()
    {
        QFETCH(QString, stored);
        QFile::remove(m_practice->dataFile());
        QFile::remove(keyFilePathFor(m_practice->dataFile()));
        createOldLayoutFile(m_practice->dataFile(), stored);
        const QString password = "Νέος κωδικός";
        MessageLog log;
        QString recoveryKey;
        whenShown("TForm100", [&](QWidget *w) {
            type(w, "Edit1", password);
            type(w, "Edit2", password);
            whenShown("RecoveryKey", [&](QWidget *shown) {
                recoveryKey = shown->findChild<QLabel *>("RecoveryKeyText")->text();
                button(shown, "Button2")->click();
            });
            button(w, "Button1")->click();
            if (stored == FactoryDefaultPassword)
                logInWith(password);
        });
        if (stored != FactoryDefaultPassword) {
            whenShown("TForm65", [stored](QWidget *login) {
                type(login, "Edit1", "Λάθος");
                button(login, "Button1")->click(); // still checked against the old row
                type(login, "Edit1", stored);
                button(login, "Button1")->click();
            });
        }
        auto window = newMainWindow();
        QVERIFY(window->startUp());
        QCOMPARE(log.texts.count(Wrong), stored == FactoryDefaultPassword ? 0 : 1);
        QVERIFY(!old_layout::isOldLayout(m_practice->dataFile()));
        QVERIFY_THROWS_EXCEPTION(DbError, old_layout::open(m_practice->dataFile()));
        QVERIFY(!unlocks(m_practice->dataFile(), stored));
        QVERIFY(unlocks(m_practice->dataFile(), recoveryKey));
        Connection converted = Connection::openFile(m_practice->dataFile(), password);
        QCOMPARE(converted.scalar("SELECT TITLOS FROM DIAITES").toString(), QString("Παλιά δίαιτα"));
        QCOMPARE(converted.scalar("SELECT * FROM SECURITY").toString(), StoredPasswordMarker);
        QCOMPARE(fileMode(m_practice->dataFile()), 0600);
        // Nothing of the conversion is left; the open connections keep their log beside the file.
        QStringList files = QDir(m_practice->directory()).entryList({"data*"}, QDir::Files);
        files.removeAll("data.mdb-wal");
        files.removeAll("data.mdb-shm");
        QCOMPARE(files, QStringList({"data.key", "data.mdb"}));
    }

    void recoveryKeySheetPrintsOnOnePage()
    {
        const QString pdf = m_practice->useForPrinting();
        const QString key = "ABCD-EFGH-JKLM-NPQR-STUV-WXYZ";
        RecoveryKeyWindow window(key);
        button(&window, "Button1")->click();
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(key), qPrintable(text)); // whole, never cut short
        QVERIFY(text.contains("σε ασφαλές μέρος"));
        QCOMPARE(text.count('\f'), 1);
        if (const QString keep = qEnvironmentVariable("VELMORA_KEEP_PDF"); !keep.isEmpty()) {
            QFile::remove(keep + "/KLEIDI.pdf");
            QFile::copy(pdf, keep + "/KLEIDI.pdf");
        }
    }

    void recoveryKeyIsLeftOnlyThroughContinue()
    {
        RecoveryKeyWindow window("ABCD-EFGH");
        showActive(window);
        QCOMPARE(QApplication::focusWidget(), button(&window, "Button2"));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(!window.close());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    void errorsInHandlersReachTheErrorBox()
    {
        MessageLog log;
        QPushButton failing;
        QObject::connect(&failing, &QPushButton::clicked, [] {
            Connection c(connectionStringFor("/nowhere"));
        });
        failing.show();
        QTest::mouseClick(&failing, Qt::LeftButton);
        QCOMPARE(log.texts.size(), 1);
        // "'" sorts before ".", so no full stop is added.
        QCOMPARE(log.texts.first(), QString("Could not find file '/nowhere/data.mdb'"));
        QCOMPARE(messages::withFullStop("Done."), QString("Done."));
        QCOMPARE(messages::withFullStop("Is it?"), QString("Is it?."));
        QCOMPARE(messages::withFullStop("(x)"), QString("(x)"));
    }
};

QObject *newServerSeatTest();

VELMORA_TEST_MAIN(new StartupTest, newServerSeatTest())

#include "tst_startup.moc"
