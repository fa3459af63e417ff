#include "engine_practices.h"

#include "data/db_error.h"

bool EnginePractices::start(QString *error)
{
    m_serverProblem = PostgresServer::unavailableReason();
    if (!m_serverProblem.isEmpty())
        return true;
    m_server = std::make_unique<PostgresServer>();
    return m_server->start(error);
}

const EnginePractices::Named EnginePractices::Engines[2] = {{jet::Engine::SqlCipher, "file"},
                                                            {jet::Engine::Postgres, "server"}};

void EnginePractices::addRows()
{
    QTest::addColumn<jet::Engine>("engine");
    for (const Named &engine : Engines)
        QTest::newRow(engine.name) << engine.engine;
}

QString EnginePractices::unavailable(jet::Engine engine) const
{
    return engine == jet::Engine::Postgres ? m_serverProblem : QString();
}

QString EnginePractices::newPractice(jet::Engine engine)
{
    if (engine == jet::Engine::SqlCipher) {
        m_file = std::make_unique<TestPractice>();
        return m_file->connectionString();
    }
    if (!m_server)
        throw DbError(DbError::Kind::Other, QStringLiteral("the server is not running"));
    // Copied from one made once, as the files are: making a practice loads the WHO tables.
    QString error;
    if (m_databases == 0 && !m_server->createPractice(QStringLiteral("practice0"), &error))
        throw DbError(DbError::Kind::Other, error);
    ++m_databases;
    m_server->query(QStringLiteral("postgres"),
                    QStringLiteral("CREATE DATABASE %1 TEMPLATE practice0").arg(lastServerDatabase()), &error);
    if (!error.isEmpty())
        throw DbError(DbError::Kind::Other, error);
    return QStringLiteral("Data Source=") + m_server->uri(lastServerDatabase());
}
