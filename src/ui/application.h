#pragma once

#include <QApplication>

// The program's application object: an error that leaves any event handler ends up here and
// is shown in the error box; the action stops and the program goes on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
