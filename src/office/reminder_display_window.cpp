#include "office/reminder_display_window.h"

#include "data/dataset.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReminderDisplayWindow::ReminderDisplayWindow(QWidget *parent)
    : Window(QStringLiteral("TForm12"), QStringLiteral("Υπενθυμίσεις"), parent)
{
    setWindowFlag(Qt::WindowStaysOnTopHint);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("DBMemo1"));
    m_text->setAccessibleName(QStringLiteral("Κείμενο"));
    m_text->setReadOnly(true);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setMinimumSize(469, 286);
    QPushButton *exit = look::exitButton(this);
    exit->setObjectName(QStringLiteral("Button1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(exit, 0, Qt::AlignRight);
    fixSize();
}

void ReminderDisplayWindow::showEvent(QShowEvent *event)
{
    Window::showEvent(event);
    runGuarded(this, [this] {
        const ScopedConnection connection(m_connection);
        DataSet reminders(m_connection);
        reminders.setSql(m_query, m_values);
        reminders.open();
        m_text->setPlainText(reminders.isEmpty() ? QString()
                                                 : reminders.value(QStringLiteral("PERIGRAFH")).toString());
    });
}
