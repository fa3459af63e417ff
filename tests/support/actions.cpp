#include "actions.h"

#include "modal.h"
#include "ui/navigator_bar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

void press(QWidget *window, const char *action, const char *bar)
{
    auto *navigator = window->findChild<NavigatorBar *>(QString::fromLatin1(bar));
    QVERIFY2(navigator, bar);
    auto *button = navigator->findChild<QToolButton *>(QString::fromLatin1(action));
    QVERIFY2(button, action);
    QTest::mouseClick(button, Qt::LeftButton);
}

void click(QWidget *window, const char *button)
{
    auto *pushButton = window->findChild<QPushButton *>(QString::fromLatin1(button));
    QVERIFY2(pushButton, button);
    QTest::mouseClick(pushButton, Qt::LeftButton);
}

void type(QWidget *window, const QString &field, const QString &text, bool append)
{
    auto *edit = window->findChild<QLineEdit *>(field);
    QVERIFY2(edit, qPrintable(field));
    edit->setFocus();
    if (append)
        edit->end(false);
    else
        edit->selectAll();
    if (text.isEmpty() && !append)
        QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

void showActive(QWidget &window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}
