#include "actions.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "fixture.h"
#include "data/global.h"
#include "data/postgres/server_conf.h"
#include "modal.h"
#include "postgres_server.h"
#include "started_window.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QString Wrong = QStringLiteral("Λανθασμένος κωδικός πρόσβασης.");
const QString SeatRole = QStringLiteral("reception");
const QString SeatPassword = QStringLiteral("Θέση 1 pass");
const QString NotAPractice = QStringLiteral("Η βάση δεδομένων του διακομιστή δεν είναι βάση δεδομένων ιατρείου του "
                                            "προγράμματος (δημιουργείται με την εντολή velmora-db create).");
const QString OfANewerProgram = QStringLiteral("Η βάση δεδομένων του διακομιστή γράφτηκε από νεότερη έκδοση του "
                                               "προγράμματος· ενημερώστε πρώτα το πρόγραμμα σε αυτόν τον υπολογιστή.");

// Something at a TCP address that is no practice server: it answers a request for TLS with "no",
// as a server without TLS does, and hangs up.
class PlainListener {
public:
    PlainListener()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(m_socket, 1);
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            for (int client; (client = ::accept(m_socket, nullptr, nullptr)) >= 0; ::close(client)) {
                char request[8];
                if (::recv(client, request, sizeof request, MSG_WAITALL) == sizeof request)
                    (void)::send(client, "N", 1, 0);
            }
        });
    }
    ~PlainListener()
    {
        ::shutdown(m_socket, SHUT_RDWR); // an accept still waiting returns
        m_thread.join();
        ::close(m_socket);
    }
    int port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
    std::thread m_thread;
};

QAction *menuItem(MainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

} // namespace

// A seat whose practice folder names the practice's server: the login's password is the seat's
// role password, and «Σύνδεση με διακομιστή» writes the folder's server.conf.
class ServerSeatTest : public QObject {
    Q_OBJECT
    PostgresServer m_server;
    int m_databases = 0;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_previousDirectory;
    QString m_database;

    // The superuser's connection to the test's practice.
    Connection connect() { return Connection(connectionStringOn(m_server.uri(m_database), {})); }

    QString newDatabase(bool practice)
    {
        const QString name = QStringLiteral("seat%1").arg(++m_databases);
        QString error;
        if (!(practice ? m_server.createPractice(name, &error) : m_server.createDatabase(name, &error)))
            qFatal("%s", qPrintable(error));
        return name;
    }

    ServerConf seat(const QString &database) const
    {
        ServerConf conf;
        conf.host = m_server.socketDirectory();
        conf.port = m_server.port();
        conf.database = database;
        conf.role = SeatRole;
        return conf;
    }

private slots:
    // A role that logs in with its password over the socket (the rest of the private server
    // trusts the socket), with the practice's tables in reach through the role that owns them,
    // as the practice server's seats have them.
    void initTestCase()
    {
        START_POSTGRES_OR_SKIP(m_server);
        QFile hba(m_server.socketDirectory() + "/data/pg_hba.conf");
        QVERIFY(hba.open(QIODevice::ReadWrite));
        const QByteArray rules = hba.readAll();
        hba.resize(0);
        hba.seek(0);
        hba.write("local all " + SeatRole.toUtf8() + " scram-sha-256\n" + rules);
        hba.close();
        QString error;
        for (const QString &statement :
             {QString("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(SeatRole, SeatPassword),
              QString("GRANT postgres TO %1").arg(SeatRole), QString("SELECT pg_reload_conf()")}) {
            m_server.query("postgres", statement, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
    }
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_folder->path());
        AppDirectory = m_folder->path(); // as the start-up sets it
        m_database = newDatabase(true);
    }
    void cleanup()
    {
        QDir::setCurrent(m_previousDirectory);
        m_folder.reset();
    }

    // A folder with server.conf and no data.mdb starts against the server with the role's
    // password; everything else of the start-up works there as on a file.
    void startsAgainstTheServer_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("right password") << QStringList{SeatPassword};
        QTest::newRow("wrong one first") << QStringList{"Λάθος κωδ 9", SeatPassword};
        QTest::newRow("left at the login") << QStringList{};
    }
    void startsAgainstTheServer()
    {
        QFETCH(QStringList, typed);
        seat(m_database).save(m_folder->path());
        Connection superuser = connect();
        superuser.execute("INSERT INTO YPENTHIMISEIS(HMEROMHNIA,PERIGRAFH) VALUES(?,'Εμβόλιο Νίκου')",
                          {QDate::currentDate()});
        superuser.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(7)");
        MessageLog log;
        bool forgottenOffered = true;
        whenShown("TForm65", [&](QWidget *login) {
            forgottenOffered = login->findChild<QPushButton *>("Button3")->isVisible();
            if (typed.isEmpty())
                QTest::keyClick(login, Qt::Key_Escape);
            for (const QString &password : typed) {
                type(login, "Edit1", password);
                login->findChild<QPushButton *>("Button1")->click();
            }
        });
        bool reminderShown = false;
        whenShown("TForm12", [&](QWidget *display) {
            reminderShown = true;
            display->findChild<QPushButton *>("Button1")->click();
        });
        StartedWindow window;
        QCOMPARE(window.startUp(), !typed.isEmpty());
        QVERIFY(!forgottenOffered);
        QCOMPARE(log.texts.count(Wrong), qMax(0, int(typed.size()) - 1));
        QVERIFY(!QFile::exists(m_folder->filePath("data.mdb")));
        if (typed.isEmpty()) {
            QCOMPARE(window.exitStatus(), 0);
            return;
        }
        QVERIFY(window.isVisible());
        QVERIFY(reminderShown);
        QVERIFY(ReceiptNumberingSet);
        QVERIFY(!menuItem(window, "NewRecoveryKey")->isVisible()); // the file's, not the server's
        for (const char *item : {"ChangePassword", "Backup"}) {
            menuItem(window, item)->trigger(); // what belongs to the data file is answered in words
            QVERIFY2(log.texts.last().contains("velmora-db"), qPrintable(log.texts.last()));
        }
        // The password is kept nowhere in the run, and yet every window's connection opens.
        QVERIFY(!DbConnectionString.contains(SeatPassword));
        Connection windows(DbConnectionString);
        QCOMPARE(windows.scalar("SELECT current_user").toString(), SeatRole);
        QCOMPARE(windows.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), 7);
    }

    // A database the program cannot work with ends the start-up after the login, saying why and
    // naming the server.
    void unusableDatabaseEndsTheStartUp_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a practice") << "empty" << NotAPractice;
        QTest::newRow("newer version") << "newer" << OfANewerProgram;
    }
    void unusableDatabaseEndsTheStartUp()
    {
        QFETCH(QString, state);
        QFETCH(QString, reason);
        if (state == "empty")
            m_database = newDatabase(false);
        else
            connect().execute("UPDATE velmora_version SET version = 99");
        const ServerConf conf = seat(m_database);
        conf.save(m_folder->path());
        MessageLog log;
        whenShown("TForm65", [](QWidget *login) {
            type(login, "Edit1", SeatPassword);
            login->findChild<QPushButton *>("Button1")->click();
        });
        StartedWindow window;
        QVERIFY(!window.startUp());
        QCOMPARE(window.exitStatus(), 1);
        QCOMPARE(log.texts.last(), "Το πρόγραμμα δεν μπορεί να ξεκινήσει.\n" + reason + "\n" + conf.displayName());
    }

    // «Σύνδεση με διακομιστή» writes server.conf only after the connection worked, and says
    // what stood in the way otherwise.
    void connectionWindowSaysWhy_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("told");
        QTest::newRow("no server there")
            << "no server"
            << "Δεν απαντά διακομιστής σε αυτή τη διεύθυνση και θύρα. Ελέγξτε τη διεύθυνση, τη θύρα και ότι ο "
               "διακομιστής λειτουργεί και είναι συνδεδεμένος στο δίκτυο.";
        QTest::newRow("no TLS at the address")
            << "plain"
            << "Ο διακομιστής δεν αναγνωρίστηκε: το πιστοποιητικό του δεν ταιριάζει με το πιστοποιητικό (CA) του "
               "ιατρείου ή με τη διεύθυνση που γράψατε. Η σύνδεση δεν έγινε.";
        QTest::newRow("wrong password") << "password"
                                        << "Ο διακομιστής δεν δέχτηκε τον χρήστη ή τον κωδικό πρόσβασης.";
        QTest::newRow("unknown role") << "role"
                                      << "Ο διακομιστής δεν δέχτηκε τον χρήστη ή τον κωδικό πρόσβασης.";
        QTest::newRow("no such database") << "database"
                                          << "Ο διακομιστής δεν έχει βάση δεδομένων με αυτό το όνομα.";
        QTest::newRow("not a practice") << "empty" << NotAPractice;
        QTest::newRow("newer version") << "newer" << OfANewerProgram;
        QTest::newRow("a practice") << ""
                                    << "Τα στοιχεία του διακομιστή αποθηκεύτηκαν στο server.conf. Κλείστε το "
                                       "πρόγραμμα και ξεκινήστε το ξανά: από την επόμενη εκκίνηση εργάζεται με τα "
                                       "δεδομένα του διακομιστή.";
    }
    void connectionWindowSaysWhy()
    {
        QFETCH(QString, fault);
        QFETCH(QString, told);
        ServerConf conf = seat(fault == "empty" ? newDatabase(false) : m_database);
        QString password = SeatPassword;
        PlainListener listener;
        if (fault == "no server")
            conf.host = m_folder->filePath("nowhere");
        else if (fault == "plain") {
            conf.host = "127.0.0.1";
            conf.port = listener.port();
            conf.caFile = m_folder->filePath("practice-ca.crt");
        } else if (fault == "password")
            password = "Λάθος κωδ 9";
        else if (fault == "role")
            conf.role = "nobody";
        else if (fault == "database")
            conf.database = "nowhere";
        else if (fault == "newer")
            connect().execute("UPDATE velmora_version SET version = 99");
        MessageLog log;
        StartedWindow main;
        whenShown("ServerConnection", [&](QWidget *w) {
            type(w, "Edit1", conf.host);
            type(w, "Edit2", QString::number(conf.port));
            type(w, "Edit3", conf.database);
            type(w, "Edit4", conf.role);
            type(w, "Edit5", password);
            type(w, "Edit6", conf.caFile);
            w->findChild<QPushButton *>("Button1")->click(); // «Δοκιμή»: tries, writes nothing
            QVERIFY(!ServerConf::existsIn(m_folder->path()));
            w->findChild<QPushButton *>("Button2")->click();
            if (w->isVisible())
                w->close();
        });
        menuItem(main, "ServerConnection")->trigger();
        QCOMPARE(log.texts.last(), told);
        QCOMPARE(ServerConf::existsIn(m_folder->path()), fault.isEmpty());
        if (!fault.isEmpty()) {
            QCOMPARE(log.texts.size(), 2);
            return;
        }
        QCOMPARE(log.texts.first(), QString("Η σύνδεση με τον διακομιστή πέτυχε."));
        const QString written = m_folder->filePath("server.conf");
        QCOMPARE(fileMode(written), 0600);
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!QString::fromUtf8(file.readAll()).contains(SeatPassword));
        const ServerConf read = ServerConf::load(m_folder->path());
        QCOMPARE(read.uri(m_folder->path()), conf.uri(m_folder->path()));
    }

    // Over the network only TLS against the practice's certificate, by the host's name: no value
    // of the file can loosen that or add a parameter of its own.
    void networkConnectionsAreVerified()
    {
        ServerConf conf;
        conf.host = "server.practice&sslmode=disable";
        conf.port = 5433;
        conf.database = "velmora?sslmode=disable";
        conf.role = "reception";
        conf.caFile = "server-ca.crt";
        QCOMPARE(conf.uri("/home/practice"),
                 QString("postgresql:///velmora%3Fsslmode%3Ddisable?host=server.practice%26sslmode%3Ddisable&port=5433"
                         "&user=reception&sslmode=verify-full&sslrootcert=%2Fhome%2Fpractice%2Fserver-ca.crt"));
        conf.caFile.clear();
        QVERIFY(!conf.fault().isEmpty());
        QVERIFY_THROWS_EXCEPTION(DbError, conf.uri("/home/practice"));
    }
};

QObject *newServerSeatTest()
{
    return new ServerSeatTest;
}

#include "tst_server_seat.moc"
