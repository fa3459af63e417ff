#pragma once

#include <QApplication>

// The program's application object. The kit catches errors where Qt hands control to our code;
// one that still leaves an event handler ends up here and is shown in the error box.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
