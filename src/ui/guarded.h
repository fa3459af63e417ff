#pragma once

#include <exception>
#include <functional>

class QWidget;

// Where Qt hands control to our code (a slot, an event handler) an error stops: it is shown in
// the one error box over `where`'s window and never unwinds through Qt's own frames, which are
// built without exception handling. True when the action completed.
bool runGuarded(QWidget *where, const std::function<void()> &action);

// The error box for an error caught at Qt's door: a data error in the person's words (a
// refused field takes the focus), any other as it reads.
void showError(QWidget *where, const std::exception &error);
