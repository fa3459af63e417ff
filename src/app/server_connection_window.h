#pragma once

#include "ui/window.h"

struct ServerConf;
class QLineEdit;
class QPushButton;

// «Σύνδεση με διακομιστή»: the seat's way to the practice's server. «Δοκιμή» tries the
// connection; «Αποθήκευση» tries it too and only when it works writes server.conf into the
// practice folder, with the practice's certificate copied beside it. The password is used for
// the try and kept nowhere. The program uses the server from its next start.
class ServerConnectionWindow : public Window {
    Q_OBJECT
public:
    explicit ServerConnectionWindow(QWidget *parent = nullptr);

private:
    void fillFrom(const ServerConf &conf);
    ServerConf typed() const;
    // True when the server takes the typed role and password and holds a practice this program
    // can use; otherwise says why.
    bool connects();
    void tryConnection();
    void store();
    void chooseCertificate();
    // The certificate as the folder keeps it: a copy beside server.conf, named there.
    QString keptCertificate(const QString &chosen);

    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_database;
    QLineEdit *m_role;
    QLineEdit *m_password;
    QLineEdit *m_certificate;
};
