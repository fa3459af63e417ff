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

void EnginePractices::addRows()
{
    QTest::addColumn<jet::Engine>("engine");
    QTest::newRow("file") << jet::Engine::SqlCipher;
    QTest::newRow("server") << jet::Engine::Postgres;
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
    ++m_databases;
    QString error;
    if (!m_server || !m_server->createPractice(lastServerDatabase(), &error))
        throw DbError(DbError::Kind::Other, error.isEmpty() ? QStringLiteral("the server is not running") : error);
    return QStringLiteral("Data Source=") + m_server->uri(lastServerDatabase());
}
