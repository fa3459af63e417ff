#include "ui/window.h"

#include "ui/calendar_button.h"
#include "data/change_listener.h"
#include "data/dataset.h"
#include "data/global.h"

#include <QApplication>
#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QBoxLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

ScopedConnection::ScopedConnection(Connection &connection) : m_connection(connection)
{
    m_connection.reconnect(DbConnectionString);
    ChangeListener::instance().follow(DbConnectionString); // listens again after a lost server
}

ScopedConnection::~ScopedConnection()
{
    m_connection.close();
}

FocusReturn::FocusReturn(QWidget *beneath)
{
    m_control = QApplication::focusWidget();
    if (!m_control)
        m_control = QApplication::activeWindow();
    if (!m_control && beneath)
        m_control = beneath->window();
}

void FocusReturn::give() const
{
    if (!m_control || !m_control->isVisible())
        return;
    QWidget *window = m_control->window();
    // The window manager gives the focus to whichever window it likes once a window closes
    // (none at all when the window beneath was not the last one active); asked even when the
    // window still counts as active, as it may not be a moment later.
    window->activateWindow();
    if (m_control != window)
        m_control->setFocus(Qt::OtherFocusReason);
}

namespace {

// A window that a modal window blocks never keeps the keyboard: should the window system
// activate it (the window beneath, as another closes), the modal window on top takes it back.
class ModalKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::WindowActivate || !watched->isWidgetType())
            return false;
        QWidget *modal = QApplication::activeModalWidget();
        auto *activated = static_cast<QWidget *>(watched);
        if (modal && modal->isVisible() && activated->isWindow() && activated != modal && !modal->isAncestorOf(activated))
            QTimer::singleShot(0, modal, [modal] { modal->activateWindow(); });
        return false;
    }
};

} // namespace

Window::Window(const QString &objectName, const QString &title, QWidget *parent, const QColor &background)
    : QDialog(parent)
{
    static auto *keeper = new ModalKeeper(qApp);
    static const bool kept = (qApp->installEventFilter(keeper), true);
    Q_UNUSED(kept);
    setObjectName(objectName);
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    look::paint(this, background);
}

Window::~Window()
{
    m_connection.close();
}

void Window::connectToDatabase()
{
    m_connection.reconnect(DbConnectionString);
    ChangeListener::instance().follow(DbConnectionString); // listens again after a lost server
}

namespace {

// Changes stored together (a receipt and its income) come a few milliseconds apart: one read.
constexpr int ChangesSettleMs = 100;
// How soon a window that had to wait looks again.
constexpr int BusyRecheckMs = 250;

} // namespace

void Window::refreshOnChanges(const QStringList &tables, std::function<void()> refresh)
{
    m_followedTables = tables;
    m_refresh = std::move(refresh);
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    connect(m_refreshTimer, &QTimer::timeout, this, &Window::refreshWhenFree);
    ChangeListener &listener = ChangeListener::instance();
    listener.follow(DbConnectionString);
    connect(&listener, &ChangeListener::changed, this, [this](const QString &table) {
        const bool followed = table.isEmpty() || m_followedTables.contains(table, Qt::CaseInsensitive);
        if (followed && isVisible() && !m_refreshTimer->isActive())
            m_refreshTimer->start(ChangesSettleMs);
    });
}

bool Window::isBusy() const
{
    const QWidget *modal = QApplication::activeModalWidget();
    if ((modal && modal != this) || QApplication::activePopupWidget())
        return true;
    for (const DataSet *set : findChildren<DataSet *>(Qt::FindDirectChildrenOnly))
        if (set->state() == DataSet::State::Edit || set->state() == DataSet::State::Insert)
            return true;
    return false;
}

void Window::refreshWhenFree()
{
    if (!isVisible()) // it reads its rows when it shows again
        return;
    if (isBusy()) {
        m_refreshTimer->start(BusyRecheckMs);
        return;
    }
    runGuarded(this, [this] {
        if (m_connection.isOpen())
            m_connection.open(); // a session the server dropped is opened anew
        m_refresh();
    });
}

void Window::releaseDatabase()
{
    for (DataSet *set : findChildren<DataSet *>(Qt::FindDirectChildrenOnly))
        set->close();
    m_connection.close();
}

QPushButton *Window::newDefaultButton(const QString &caption, const QString &name, Starts starts, QWidget *parent)
{
    m_default = new QPushButton(caption, parent ? parent : this);
    m_default->setObjectName(name);
    m_default->setDefault(true);
    m_default->setEnabled(starts == Starts::Enabled);
    m_defaultStartsEnabled = starts == Starts::Enabled;
    return m_default;
}

void Window::done(int result)
{
    releaseDatabase();
    QDialog::done(result);
    m_focusReturn.give();
}

bool Window::event(QEvent *event)
{
    // The window system may still activate a window that has just closed (an activation it
    // had queued): the keyboard goes back where it belongs instead of into the hidden window.
    if (event->type() == QEvent::WindowActivate && !isVisible())
        QTimer::singleShot(0, this, [this] { m_focusReturn.give(); });
    return QDialog::event(event);
}

void Window::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event); // rejects, which closes the connection
    if (event->isAccepted())
        releaseDatabase();
}

void Window::fixSize(QSize size)
{
    if (layout())
        size = size.expandedTo(layout()->totalSizeHint());
    setFixedSize(size);
}

namespace {

// A widget the person types or chooses into, as opposed to a button, a tab bar or a list.
bool takesTyping(QWidget *w)
{
    if (auto *line = qobject_cast<QLineEdit *>(w))
        return !line->isReadOnly();
    return qobject_cast<CalendarButton *>(w) || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QPlainTextEdit *>(w) ||
           qobject_cast<QTextEdit *>(w);
}

bool isButton(QWidget *w)
{
    return qobject_cast<QPushButton *>(w) || qobject_cast<QToolButton *>(w);
}

// Where Tab would move the focus from `from`, within `window`.
QWidget *nextTabStop(QWidget *window, QWidget *from)
{
    for (QWidget *w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain())
        if (window->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            return w;
    return nullptr;
}

// A default button enabled from the start is pressed by Enter from the last field before it,
// or once every field is filled: a criterion typed first never runs the search before the next.
bool mayPressDefault(QWidget *window, QWidget *focus)
{
    if (!focus || !takesTyping(nextTabStop(window, focus)))
        return true;
    for (QLineEdit *line : window->findChildren<QLineEdit *>())
        if (line->isVisible() && line->isEnabled() && !line->isReadOnly() && line->text().trimmed().isEmpty() &&
            !qobject_cast<QAbstractSpinBox *>(line->parentWidget()) && !qobject_cast<QComboBox *>(line->parentWidget()))
            return false;
    return true;
}

} // namespace

QWidget *Window::firstField()
{
    // The first stop of the tab chain that takes typing; else the first stop.
    QWidget *first = nullptr;
    for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (!isAncestorOf(w) || !w->isVisibleTo(this) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (!first)
            first = w;
        if (takesTyping(w))
            return w;
    }
    return first;
}

void Window::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_focusReturn = FocusReturn(parentWidget());
    // Only the window's own default button answers Enter; any other button only when it has
    // the focus, and then by itself.
    for (QPushButton *button : findChildren<QPushButton *>())
        if (button != m_default)
            button->setAutoDefault(false);
    if (!m_shown) {
        m_shown = true;
        widenToTitle();
        look::centre(this);
        if (QWidget *field = firstField())
            field->setFocus(Qt::TabFocusReason);
    }
}

void Window::widenToTitle()
{
    // The frame draws the title in a bold face beside its icon and buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 1);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 110;
    if (width() >= needed)
        return;
    // A layout of fixed size would shrink the window back: an empty line as wide as the title.
    if (layout()) {
        const QMargins margins = layout()->contentsMargins();
        auto *line = new QSpacerItem(needed - margins.left() - margins.right(), 0, QSizePolicy::Fixed);
        if (auto *grid = qobject_cast<QGridLayout *>(layout()))
            grid->addItem(line, grid->rowCount(), 0, 1, grid->columnCount());
        else if (auto *box = qobject_cast<QBoxLayout *>(layout()))
            box->addItem(line);
        else
            delete line;
    }
    if (minimumWidth() == maximumWidth())
        setFixedWidth(needed);
    else
        resize(needed, height());
    if (layout())
        layout()->activate();
}

void Window::keyPressEvent(QKeyEvent *event)
{
    // Esc that no field kept for itself: an open pop-up (a list, a calendar) closes alone.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        for (QPushButton *button : findChildren<QPushButton *>())
            if (button->property(look::ExitButtonProperty).toBool() && button->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    // A field passed the key on: move on, or press the window's own default button.
    QWidget *focus = focusWidget();
    const bool hasDefault = m_default && m_default->isVisible();
    if (isButton(focus))
        static_cast<QAbstractButton *>(focus)->click();
    else if (hasDefault && m_default->isEnabled() && (!m_defaultStartsEnabled || mayPressDefault(this, focus)))
        m_default->click();
    else if (!(hasDefault && focus && isButton(nextTabStop(this, focus))))
        focusNextChild();
    // Else the default button still waits for what is typed here: the focus stays rather than
    // moving on to the next button (the login's exit), which a second Enter would press.
    event->accept();
}
