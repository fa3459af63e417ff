#pragma once

#include "ui/record_window.h"

class NavigatorBar;
class RecordList;

// TForm13: every operating expense, newest first, entered and changed row by row.
class ExpenseLedgerWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ExpenseLedgerWindow(QWidget *parent = nullptr);
};
