#pragma once

#include "ui/window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The access password: asked at every start, set while the password is still a public one
// (the factory default, or an old folder's), changed from the menu. Passwords are compared
// trimmed and case-sensitively. The password opens the key file (the data key inside opens
// data.mdb); after the login DbConnectionString carries a session of this process in its place,
// so that the password itself is kept nowhere.

// A field that shows what is typed as "*".
QLineEdit *passwordField(const QString &objectName, QWidget *parent);
// A secret field's text, trimmed, taken out of the field: the field lets go of its buffer and its
// undo steps, so that the string returned is the buffer's only owner and wipe() clears it where
// it lies, not in a copy. (Qt's copies made while typing are beyond reach.)
QString takeSecret(QLineEdit *field);

// The data file that DbConnectionString names.
QString accessedDataFile();
// What DbConnectionString carries after the login: a session of this process (or an old
// folder's password until it is converted).
QString accessSecret();
// True when the practice keeps its data on a server: the password is the seat's role password.
bool onServer();
// From now on every connection opens with this secret (a session, or an old folder's password).
void useAccessSecret(const QString &secret);
// True when `password` opens the practice: its key file, for a folder of the old layout the
// password that SECURITY still holds, or the seat's role on the server.
bool accessPasswordOpens(const QString &password);

class LoginWindow : public Window {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);
    // Seconds the next try waits after `failures` wrong passwords in a row: guessing costs time.
    static int waitSeconds(int failures);

private:
    void passwordChanged();
    void enter();
    void leave();
    void forgotten();
    void countDown();

    QLineEdit *m_password;
    QPushButton *m_enter;
    QLabel *m_waitNote;
    QTimer *m_waitTimer;
    int m_failures = 0;
    int m_secondsLeft = 0;
};

// Sets the access password. As the practice's first own password (the public one opens), a new
// data key follows and a new recovery key is made, to be shown and confirmed; after a forgotten
// password (the recovery key opens) only the password changes.
class SetPasswordWindow : public Window {
    Q_OBJECT
public:
    enum class Purpose { FirstPassword,
                         AfterRecovery };
    SetPasswordWindow(const QString &openingSecret, Purpose purpose, QWidget *parent = nullptr);
    ~SetPasswordWindow() override;
    void reject() override {} // left only through "Καταχώρηση"
    // The recovery key made by "Καταχώρηση", to be shown once and then confirmed; empty when none was made.
    QString newRecoveryKey() const { return m_newRecoveryKey; }

private:
    void fieldsChanged();
    void store();

    QString m_openingSecret;
    Purpose m_purpose;
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

// "Νέο κλειδί ανάκτησης": the password opens the way to a new recovery key, which replaces the
// old one once confirmed.
class NewRecoveryKeyWindow : public Window {
    Q_OBJECT
public:
    explicit NewRecoveryKeyWindow(QWidget *parent = nullptr);
    QString newRecoveryKey() const { return m_newRecoveryKey; }

private:
    void proceed();

    QLineEdit *m_password;
    QPushButton *m_proceed;
    QString m_newRecoveryKey;
};

class ChangePasswordWindow : public Window {
    Q_OBJECT
public:
    explicit ChangePasswordWindow(QWidget *parent = nullptr);

private:
    void fieldsChanged();
    void change();

    QLineEdit *m_current;
    QLineEdit *m_password;
    QLineEdit *m_confirmation;
    QCheckBox *m_newDataKey;
    QPushButton *m_change;
};
