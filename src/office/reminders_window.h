#pragma once

#include "ui/record_window.h"

// TForm11: the reminders, latest date first.
class RemindersWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit RemindersWindow(QWidget *parent = nullptr);
};
