#pragma once

#include "data/jet_dialect.h"
#include "fixture.h"
#include "postgres_server.h"

#include <QTest>
#include <memory>

// Tests of statements and results run once per engine, a row each: the encrypted file of one
// seat and a database on the test program's private server. The server's rows skip with the
// reason where this machine cannot run a server.
class EnginePractices {
public:
    // In initTestCase: starts the server where this machine can run one; false with the reason
    // in *error when it could and did not start.
    bool start(QString *error);
    void stop() { m_server.reset(); }

    // The column "engine" with the rows "file" and "server".
    static void addRows();
    // The engines with the names their rows take, for a table that has more columns.
    struct Named {
        jet::Engine engine;
        const char *name;
    };
    static const Named Engines[2];
    // Why a row of `engine` cannot run here; empty when it can.
    QString unavailable(jet::Engine engine) const;

    // A fresh practice on `engine`, made as `velmora-db create` makes one; its connection string,
    // which more seats open too.
    QString newPractice(jet::Engine engine);
    PostgresServer &server() { return *m_server; }
    QString lastServerDatabase() const { return QStringLiteral("practice%1").arg(m_databases); }

private:
    std::unique_ptr<PostgresServer> m_server;
    QString m_serverProblem;
    std::unique_ptr<TestPractice> m_file;
    int m_databases = 0;
};

#define SKIP_UNAVAILABLE_ENGINE(practices, engine)                               \
    do {                                                                         \
        if (const QString why = (practices).unavailable(engine); !why.isEmpty()) \
            QSKIP(qPrintable(why));                                              \
    } while (false)
