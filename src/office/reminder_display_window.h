#pragma once

#include "ui/window.h"

class QPlainTextEdit;

// TForm12: shows the text of today's reminder at start-up. The caller sets the query first.
class ReminderDisplayWindow : public Window {
    Q_OBJECT
public:
    explicit ReminderDisplayWindow(QWidget *parent = nullptr);
    void setQuery(const QString &jetSql, const QVariantList &values = {})
    {
        m_query = jetSql;
        m_values = values;
    }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_query;
    QVariantList m_values;
    QPlainTextEdit *m_text;
};
