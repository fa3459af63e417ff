#pragma once

#include <QObject>
#include <QString>
#include <memory>

class Connection;
class QSocketNotifier;

// Hears what the other seats of a server practice store. The server names each table that a
// committed transaction changed, once per transaction, to every seat that listens; the listener
// waits for those words on its own server connection without a thread and without asking again
// and again. A practice in a file has one seat and nothing to hear.
//
// The seat's own stores are heard as well (the server cannot tell whose they were): a window
// reads its rows again after its own store, which costs a read and changes nothing.
class ChangeListener : public QObject {
    Q_OBJECT
public:
    explicit ChangeListener(QObject *parent = nullptr);
    ~ChangeListener() override;

    // The program's one listener: every window follows the same practice.
    static ChangeListener &instance();

    // Listens to the practice the connection string opens, unless it already does; on a file it
    // stops listening. A listener that lost its server listens again here, once an action has
    // reached the server, and then tells that anything may have changed meanwhile. False when
    // the server could not be reached: the next action tries again.
    bool follow(const QString &connectionString);
    bool isListening() const { return m_notifier != nullptr; }

signals:
    // `table` as the schema names it ("RANTEBOU"); empty when changes may have been missed.
    void changed(const QString &table);

private:
    void readNotifications();
    void stop();

    QString m_connectionString;
    std::unique_ptr<Connection> m_connection;
    QSocketNotifier *m_notifier = nullptr;
    bool m_missedChanges = false;
};
