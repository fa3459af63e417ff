#pragma once

#include "ui/window.h"

class QLineEdit;
class QPushButton;

// The access password: asked at every start, set while the factory default still opens the
// key file, changed from the menu. Passwords are compared trimmed and case-sensitively. The
// password opens the key file (the data key inside opens data.mdb); an accepted password
// becomes the password of DbConnectionString.

// The data file that DbConnectionString names.
QString accessedDataFile();
// True when `password` opens the practice: its key file, or for a folder of the old layout the
// password that SECURITY still holds.
bool accessPasswordOpens(const QString &password);

class LoginWindow : public Window {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);

private:
    void passwordChanged();
    void enter();
    void leave();
    void forgotten();
    QLineEdit *m_password;
    QPushButton *m_enter;
};

// Sets the access password: at the first start (the factory default opens, and a new recovery
// key is made), or after a forgotten password (the recovery key opens and stays as it is).
class SetPasswordWindow : public Window {
    Q_OBJECT
public:
    explicit SetPasswordWindow(QWidget *parent = nullptr, const QString &recoveryKey = {});
    void reject() override {} // left only through "Καταχώρηση"
    // The recovery key made by "Καταχώρηση", to be shown once; empty when none was made.
    QString newRecoveryKey() const { return m_newRecoveryKey; }

private:
    void fieldsChanged();
    void store();

    QString m_openingSecret;
    bool m_makesRecoveryKey;
    QString m_newRecoveryKey;
    QLineEdit *m_password;
    QLineEdit *m_confirmation;
    QPushButton *m_store;
};

// "Ξέχασα τον κωδικό": the recovery key opens the way to a new password.
class ForgottenPasswordWindow : public Window {
    Q_OBJECT
public:
    explicit ForgottenPasswordWindow(QWidget *parent = nullptr);

private:
    void proceed();

    QLineEdit *m_recoveryKey;
    QPushButton *m_proceed;
};

class ChangePasswordWindow : public Window {
    Q_OBJECT
public:
    explicit ChangePasswordWindow(QWidget *parent = nullptr);

private:
    void fieldsChanged();
    void change();

    QString m_currentPassword;
    QLineEdit *m_current;
    QLineEdit *m_password;
    QLineEdit *m_confirmation;
    QPushButton *m_change;
};
