#include "data/change_listener.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/jet_dialect.h"
#include "data/postgres/postgres_engine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <libpq-fe.h>

ChangeListener::ChangeListener(QObject *parent) : QObject(parent) {}

ChangeListener::~ChangeListener()
{
    stop();
}

ChangeListener &ChangeListener::instance()
{
    // Goes with the application, before the event loop it listens through.
    static QPointer<ChangeListener> listener;
    if (!listener)
        listener = new ChangeListener(QCoreApplication::instance());
    return *listener;
}

bool ChangeListener::follow(const QString &connectionString)
{
    if (connectionString == m_connectionString && (isListening() || !m_missedChanges))
        return true;
    const bool samePractice = connectionString == m_connectionString;
    stop();
    m_connectionString = connectionString;
    m_missedChanges = false;
    if (!postgres::isServerUri(ConnectionSettings::parse(connectionString).dataSource))
        return true;
    try {
        auto connection = std::make_unique<Connection>(connectionString);
        auto &session = static_cast<postgres::Session &>(connection->session());
        session.run((QByteArray("LISTEN ") + jet::ServerChangeChannel).constData());
        m_connection = std::move(connection);
        m_notifier = new QSocketNotifier(PQsocket(session.handle()), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ChangeListener::readNotifications);
    } catch (const DbError &) {
        m_missedChanges = true;
        return false;
    }
    // What was stored while nobody listened is not told again.
    if (samePractice)
        emit changed(QString());
    readNotifications(); // any that came with the answer to LISTEN
    return true;
}

void ChangeListener::readNotifications()
{
    if (!m_connection)
        return;
    PGconn *conn = static_cast<postgres::Session &>(m_connection->session()).handle();
    if (!PQconsumeInput(conn) || PQstatus(conn) != CONNECTION_OK) {
        // The server went away: listen again once an action reaches it.
        stop();
        m_missedChanges = true;
        return;
    }
    QStringList tables;
    while (PGnotify *notice = PQnotifies(conn)) {
        tables << QString::fromUtf8(notice->extra);
        PQfreemem(notice);
    }
    for (const QString &table : std::as_const(tables))
        emit changed(table);
}

void ChangeListener::stop()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_connection.reset();
}
