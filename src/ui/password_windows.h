#pragma once

#include "window.h"

class QLineEdit;
class QPushButton;

// The access password: asked at every start, set when the file still holds the factory
// default, changed from the menu. Passwords are compared trimmed and case-sensitively.
inline const QString FactoryDefaultPassword = QStringLiteral("40617283");

// Reads the stored access password (first column of the first row), trimmed.
QString readStoredPassword(Connection &connection);

class LoginWindow : public Window {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);

private:
    void passwordChanged();
    void enter();
    void leave();
    QLineEdit *m_password;
    QPushButton *m_enter;
};

class SetPasswordWindow : public Window {
    Q_OBJECT
public:
    explicit SetPasswordWindow(QWidget *parent = nullptr);
    void reject() override {} // left only through "Καταχώρηση"

private:
    void fieldsChanged();
    void store();

    QLineEdit *m_password;
    QLineEdit *m_confirmation;
    QPushButton *m_store;
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
