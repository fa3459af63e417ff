#include "modal.h"

#include "ui/messages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

void whenShown(const QString &objectName, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    // A window that never came in its own test must not be acted on in a later one.
    const auto currentTest = [] { return QString::fromUtf8(QTest::currentTestFunction()) + QTest::currentDataTag(); };
    QObject::connect(timer, &QTimer::timeout, [timer, tries, objectName, act, test = currentTest(), currentTest] {
        QWidget *modal = QApplication::activeModalWidget();
        if (currentTest() != test) {
            timer->stop();
            timer->deleteLater();
        } else if (modal && modal->objectName() == objectName && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
            // A failed check leaves the window up; close it so the test ends instead of hanging.
            if (QTest::currentTestFailed() && modal->isVisible())
                modal->close();
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            qWarning("window %s never came", qPrintable(objectName));
        }
    });
    timer->start(10);
}

MessageLog::MessageLog()
{
    messages::setResponder([this](const messages::Request &request) {
        texts << request.text;
        return answer;
    });
}

MessageLog::~MessageLog()
{
    messages::setResponder({});
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}
