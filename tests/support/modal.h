#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Acts on a modal window once it is up: `act` runs from the event loop that exec() started.
// Gives up after a few seconds, so that a window that never comes fails the test instead of
// hanging it.
void whenShown(const QString &objectName, std::function<void(QWidget *)> act);

// Answers every message box and remembers its text; Yes/OK unless told otherwise.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    QStringList texts;
    bool answer = true;
};

// Types text as a person would, key by key; Greek letters included.
void typeText(QWidget *widget, const QString &text);
