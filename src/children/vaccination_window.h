#pragma once

#include "ui/child_window.h"

#include <QDate>

// TForm21: the date of every vaccine dose of one child, typed or chosen in calendars.
class VaccinationWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit VaccinationWindow(QWidget *parent = nullptr);

protected:
    void load() override;

private:
    QDate m_birth; // the first day a dose may have
};
