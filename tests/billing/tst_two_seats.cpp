#include "data/connection.h"
#include "fixture.h"
#include "postgres_server.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <array>
#include <memory>

// Two seats of a server practice issuing receipts at once, one or the other killed at random
// moments and started again, as a computer switched off in the middle of an issue would be.
class TwoSeatsTest : public QObject {
    Q_OBJECT
    PostgresServer m_server;

private slots:
    void initTestCase()
    {
        START_POSTGRES_OR_SKIP(m_server);
        QString error;
        QVERIFY2(m_server.createPractice("practice", &error), qPrintable(error));
    }

    // Numbers unique and without a gap, every receipt with its income row, whoever was killed when.
    void seatsKilledWhileIssuingKeepTheNumbering()
    {
        const QString uri = m_server.uri("practice");
        Connection c(QStringLiteral("Data Source=%1").arg(uri));
        c.execute("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)");
        QRandomGenerator random(22);
        std::array<std::unique_ptr<QProcess>, 2> seats;
        int started = 0;
        const auto start = [&](std::unique_ptr<QProcess> &seat) {
            seat = std::make_unique<QProcess>();
            seat->start(QStringLiteral(RECEIPT_WRITER), {uri, "1", "0"});
            QVERIFY(seat->waitForStarted());
            ++started;
        };
        for (auto &seat : seats)
            start(seat);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            QTest::qWait(int(random.bounded(50, 1000)));
            auto &seat = seats[random.bounded(2)];
            // Each seat issues at least once between its starts, however busy the machine.
            QVERIFY(seat->bytesAvailable() > 0 || seat->waitForReadyRead(20000));
            seat->kill(); // SIGKILL, and nothing sent once it has ended (kill(0) would hit this test's group)
            seat->waitForFinished();
            QVERIFY2(seat->exitStatus() == QProcess::CrashExit, seat->readAllStandardError().constData());
            start(seat);
        }
        for (auto &seat : seats) {
            seat->kill();
            seat->waitForFinished();
            QVERIFY2(seat->exitStatus() == QProcess::CrashExit, seat->readAllStandardError().constData());
        }
        const int receipts = c.scalar("SELECT COUNT(*) FROM APODEIKSEIS").toInt();
        QVERIFY2(receipts >= started - 2, qPrintable(QString("%1 receipts from %2 starts").arg(receipts).arg(started)));
        QCOMPARE(c.scalar("SELECT COUNT(DISTINCT AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), receipts);
        QCOMPARE(c.scalar("SELECT MIN(AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), 1);
        QCOMPARE(c.scalar("SELECT MAX(AR_APODEIKSHS) FROM APODEIKSEIS").toInt(), receipts);
        QCOMPARE(c.scalar("SELECT [LAST] FROM LAST_APODEIKSH").toInt(), receipts + 1);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM EISPRAKSH_PELATH").toInt(), receipts);
        QCOMPARE(c.scalar("SELECT COUNT(*) FROM APODEIKSEIS WHERE AR_APODEIKSHS NOT IN "
                          "(SELECT AR_APODEIKSHS FROM EISPRAKSH_PELATH)")
                     .toInt(),
                 0);
    }
};

VELMORA_TEST_MAIN(new TwoSeatsTest)

#include "tst_two_seats.moc"
