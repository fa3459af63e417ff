#pragma once

#include "ui/child_window.h"

// TForm20: the conditions and past illnesses of one child, the previous doctor, the history.
class HealthCardWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit HealthCardWindow(QWidget *parent = nullptr);

protected:
    void load() override;
};
