#pragma once

#include <QString>

class QWidget;

// What a person does in a window, found by the names the window gives its widgets. A widget
// that is not there fails the test.

// Clicks an action of a record bar: "Post", "Insert", "Delete", "Next" and the others.
void press(QWidget *window, const char *action, const char *bar = "DBNavigator1");

// Clicks a button.
void click(QWidget *window, const char *button);

// Puts the focus in a one-line field and types over its text, or after it, key by key.
void type(QWidget *window, const QString &field, const QString &text, bool append = false);

// Shows the window as the active one, as a window opened by a person is.
void showActive(QWidget &window);
