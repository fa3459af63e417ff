#pragma once

#include "data/connection.h"
#include "ui/guarded.h"
#include "ui/look.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <type_traits>

class QPushButton;
class QTimer;

// The control that had the keyboard before a message or a modal window took it (else the
// active window, else the window beneath); give() hands it back once that has closed, so that
// typing goes on where it was instead of nowhere.
class FocusReturn {
public:
    explicit FocusReturn(QWidget *beneath = nullptr);
    void give() const;

private:
    QPointer<QWidget> m_control;
};

// Opens a connection for one action and closes it however the action ends.
class ScopedConnection {
public:
    explicit ScopedConnection(Connection &connection);
    ~ScopedConnection();
    ScopedConnection(const ScopedConnection &) = delete;
    ScopedConnection &operator=(const ScopedConnection &) = delete;

private:
    Connection &m_connection;
};

// What every window of the program shares: its name, title, frame and look, centred on the
// screen, its own connection closed however the window is left, and the keyboard. Enter in a
// field moves on as Tab does and never presses a button the person has not chosen (only a
// window given a default button presses it); Esc closes an open pop-up before the window.
class Window : public QDialog {
    Q_OBJECT
public:
    Window(const QString &objectName, const QString &title, QWidget *parent = nullptr,
           const QColor &background = look::SkyBlue);
    ~Window() override;

    // Not resizable: at least `size`, and as large as its parts need.
    void fixSize(QSize size = {});

    // A slot for a button, a menu item or a list: an error it throws is shown in the error box
    // and goes no further. `connect(button, &QPushButton::clicked, this, guarded(&X::store))`.
    template <typename Action>
    auto guarded(Action action)
    {
        // Takes the signal's arguments where the action wants them, and none otherwise.
        return [this, action = std::move(action)](auto &&...args) -> void {
            runGuarded(this, [&] {
                if constexpr (std::is_invocable_v<Action, decltype(args)...>)
                    action(args...);
                else
                    action();
            });
        };
    }
    template <typename W, typename... Args>
    auto guarded(void (W::*slot)(Args...))
    {
        return [this, slot](Args... args) { runGuarded(this, [&] { (static_cast<W *>(this)->*slot)(args...); }); };
    }

protected:
    void connectToDatabase();
    // Closes the window's sets, then its connection. The window's sets are its children
    // (`DataSet m_rows{m_connection, this}`), closed in the order they were made, so that a
    // set whose reset re-reads another (versions and their doses) comes before the one it reads.
    void releaseDatabase();
    // The field the next typing belongs to when the window opens; the first one by default.
    virtual QWidget *firstField();
    // The window's own default button (login, searches, receipt issue): Enter presses it.
    // A disabled one waits for the window's rule (a typed password, clean criteria) to enable it.
    enum class Starts {
        Enabled,
        Disabled
    };
    QPushButton *newDefaultButton(const QString &caption, const QString &name, Starts starts, QWidget *parent = nullptr);
    // Runs `refresh` a moment after another seat of a server practice stores into one of
    // `tables`, while the window shows. It waits while a row of the window's sets is being typed
    // into (until it is stored or dropped) and while a window or question the window opened is
    // up, so that the person's text and place stay and an action waiting on an answer acts on
    // the rows it asked about.
    void refreshOnChanges(const QStringList &tables, std::function<void()> refresh);

    void done(int result) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    Connection m_connection;

private:
    // A window at least as wide as its title, so that the frame never cuts it.
    void widenToTitle();
    void refreshWhenFree();
    bool isBusy() const;

    FocusReturn m_focusReturn;
    QPushButton *m_default = nullptr;
    bool m_defaultStartsEnabled = false; // nothing tells it that its fields are filled
    bool m_shown = false;
    QStringList m_followedTables;
    std::function<void()> m_refresh;
    QTimer *m_refreshTimer = nullptr;
};
