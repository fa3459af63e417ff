#pragma once

#include "data/dataset.h"
#include <QFlags>
#include <QPointer>
#include <QWidget>
#include <functional>

class QToolButton;

// The row of buttons that moves through a set and changes it. Each window shows its own
// subset of the ten actions, always in this order.
class NavigatorBar : public QWidget {
    Q_OBJECT
public:
    enum Action {
        First = 0x1,
        Prior = 0x2,
        Next = 0x4,
        Last = 0x8,
        Insert = 0x10,
        Delete = 0x20,
        Edit = 0x40,
        Post = 0x80,
        Cancel = 0x100,
        Refresh = 0x200,
    };
    Q_DECLARE_FLAGS(Actions, Action)
    Q_FLAG(Actions)

    static constexpr Actions FullEditor{First | Prior | Next | Last | Insert | Delete | Post};
    static constexpr Actions Browser{First | Prior | Next | Last};

    NavigatorBar(DataSet &data, Actions actions, QWidget *parent = nullptr, bool hints = true);
    QToolButton *button(Action action) const;
    DataSet *data() const { return m_data; } // null once the set is gone

    // The question asked before a delete; "Delete record?" unless the window says more.
    void setDeleteQuestion(std::function<bool()> ask) { m_askDelete = std::move(ask); }

    // Does what a button does; errors reach the caller (a click shows them in the error box).
    void press(Action action);

signals:
    // An action completed without an error; a delete whose confirmation was cancelled counts.
    void actionDone(NavigatorBar::Action action);

private:
    void updateButtons();
    void focusFirstField();

    QPointer<DataSet> m_data;
    QHash<Action, QToolButton *> m_buttons;
    std::function<bool()> m_askDelete;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(NavigatorBar::Actions)
