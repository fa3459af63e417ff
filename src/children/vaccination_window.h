#pragma once

#include "child_window.h"

// TForm21: the date of every vaccine dose of one child; dates are chosen in calendars, never typed.
class VaccinationWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit VaccinationWindow(QWidget *parent = nullptr);

protected:
    void load() override;
};
