#pragma once

#include "ui/window.h"

class QPlainTextEdit;

// TForm12: shows the text of today's reminder at start-up. The caller sets the query first.
class ReminderDisplayWindow : public Window {
    Q_OBJECT
public:
    explicit ReminderDisplayWindow(QWidget *parent = nullptr);
    void setQuery(const QString &jetSql) { m_query = jetSql; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_query;
    QPlainTextEdit *m_text;
};
