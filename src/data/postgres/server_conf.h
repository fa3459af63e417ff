#pragma once

#include <QString>

// A seat of a server practice: its folder holds server.conf in place of data.mdb, naming the
// server, the practice's database, the seat's role and the practice's certificate authority.
// The password is never kept there: the person types it at every start.
//
//     host = 192.168.1.20
//     port = 5433
//     database = velmora
//     role = reception
//     ca = server-ca.crt
//
// The certificate is a file in the folder (copied there when the seat was set up): the folder
// carries everything a seat needs, and libpq reads the file as it is, with no temporary copy of
// an inline certificate. Over the network the connection is always TLS, verified against that
// certificate and the host's name (verify-full); only a host given as a folder (the server's
// Unix socket on this machine, as tests use) goes without.
struct ServerConf {
    QString host;
    int port = 5432;
    QString database;
    QString role;
    QString caFile; // relative to the folder, or absolute

    static inline const QString FileName = QStringLiteral("server.conf");
    static inline const QString CaFileName = QStringLiteral("server-ca.crt");

    static bool existsIn(const QString &folder);
    // Throws DbError (FileNotFound, or Other naming what is wrong in the file).
    static ServerConf load(const QString &folder);
    // Written whole, readable by the owner only (0600), replacing the folder's earlier one.
    void save(const QString &folder) const;

    bool overSocket() const { return host.startsWith(QLatin1Char('/')); }
    // What is missing or wrong, in Greek, for the window that writes the file; empty when the
    // settings are whole.
    QString fault() const;
    // The libpq URI of these settings: each value percent-encoded, so none can add a parameter
    // of its own; TLS verify-full against the CA unless over a socket. Throws DbError (Other)
    // when the settings are not whole.
    QString uri(const QString &folder) const;
    // The server and database as messages name them: "reception@192.168.1.20:5433/velmora".
    QString displayName() const;
};

// Where the practice of `folder` keeps its data: the server its server.conf names, or else the
// folder's data.mdb. A folder with both starts against the server (the file was moved there).
QString practiceDataSource(const QString &folder);
