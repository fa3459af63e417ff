#pragma once

#include "ui/child_window.h"

class NavigatorBar;

// TForm16: registers new children, any number in one opening; never loads the register.
class ChildRegistrationWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ChildRegistrationWindow(QWidget *parent = nullptr);
};

// TForm19: corrects the identity of the child the register hands over.
class ChildDetailsWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit ChildDetailsWindow(QWidget *parent = nullptr);

protected:
    void load() override;
};
