#pragma once

#include "connection.h"

#include <QDialog>

class QPlainTextEdit;

// TForm12: shows the text of today's reminder at start-up. The caller sets the query first.
class ReminderDisplayWindow : public QDialog {
    Q_OBJECT
public:
    explicit ReminderDisplayWindow(QWidget *parent = nullptr);
    void setQuery(const QString &jetSql) { m_query = jetSql; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Connection m_connection;
    QString m_query;
    QPlainTextEdit *m_text;
};
