#include "ui/navigator_bar.h"

#include "data/dataset.h"
#include "ui/bound_fields.h"
#include "ui/guarded.h"
#include "ui/look.h"
#include "ui/messages.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct ActionLook {
    NavigatorBar::Action action;
    const char *name;
    const char *glyph;
    const char *hint;
    QKeyCombination key; // presses it from anywhere in the window
};

const ActionLook Looks[] = {
    {NavigatorBar::First, "First", "|◀", "First record", {}},
    {NavigatorBar::Prior, "Prior", "◀", "Prior record", {}},
    {NavigatorBar::Next, "Next", "▶", "Next record", {}},
    {NavigatorBar::Last, "Last", "▶|", "Last record", {}},
    {NavigatorBar::Insert, "Insert", "+", "Insert record", Qt::CTRL | Qt::Key_N},
    {NavigatorBar::Delete, "Delete", "−", "Delete record", Qt::CTRL | Qt::Key_Delete},
    {NavigatorBar::Edit, "Edit", "▲", "Edit record", {}},
    {NavigatorBar::Post, "Post", "✓", "Post edit", Qt::CTRL | Qt::Key_S},
    {NavigatorBar::Cancel, "Cancel", "✗", "Cancel edit", {}},
    {NavigatorBar::Refresh, "Refresh", "↻", "Refresh data", {}},
};

} // namespace

NavigatorBar::NavigatorBar(DataSet &data, Actions actions, QWidget *parent, bool hints) : QWidget(parent), m_data(&data)
{
    setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ActionLook &item : Looks) {
        if (!actions.testFlag(item.action))
            continue;
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(item.name));
        button->setText(QString::fromUtf8(item.glyph));
        button->setAccessibleName(QString::fromLatin1(item.hint));
        const QKeySequence key = item.key.key() == Qt::Key_unknown ? QKeySequence() : QKeySequence(item.key);
        if (hints)
            button->setToolTip(key.isEmpty() ? QString::fromLatin1(item.hint)
                                             : QStringLiteral("%1 (%2)").arg(QString::fromLatin1(item.hint),
                                                                             key.toString(QKeySequence::NativeText)));
        button->setMinimumSize(28, 25);
        button->setFocusPolicy(Qt::TabFocus);
        const Action action = item.action;
        connect(button, &QToolButton::clicked, this, [this, action] { runGuarded(this, [&] { press(action); }); });
        if (!key.isEmpty())
            look::pressOnKey(button, key, this);
        layout->addWidget(button);
        m_buttons.insert(item.action, button);
    }
    connect(&data, &DataSet::stateChanged, this, &NavigatorBar::updateButtons);
    connect(&data, &DataSet::currentChanged, this, &NavigatorBar::updateButtons);
    connect(&data, &DataSet::reset, this, &NavigatorBar::updateButtons);
    connect(&data, &DataSet::rowRemoved, this, &NavigatorBar::updateButtons);
    connect(&data, &DataSet::rowInserted, this, &NavigatorBar::updateButtons);
    connect(&data, &QObject::destroyed, this, &NavigatorBar::updateButtons);
    updateButtons();
}

QToolButton *NavigatorBar::button(Action action) const
{
    return m_buttons.value(action);
}

void NavigatorBar::press(Action action)
{
    if (!m_data)
        return;
    switch (action) {
    case First: m_data->first(); break;
    case Prior: m_data->prior(); break;
    case Next: m_data->next(); break;
    case Last: m_data->last(); break;
    case Insert:
        m_data->insert();
        focusFirstField();
        break;
    case Delete:
        if (m_askDelete ? m_askDelete() : messages::confirmDelete(window()))
            m_data->remove();
        break;
    case Edit: m_data->edit(); break;
    case Post: m_data->post(); break;
    case Cancel: m_data->cancel(); break;
    case Refresh: m_data->refresh(); break;
    }
    updateButtons();
    emit actionDone(action);
}

void NavigatorBar::focusFirstField()
{
    // A new row is typed from its top: the first field of this set in the tab chain.
    QWidget *top = window();
    for (QWidget *w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain()) {
        auto *link = w->findChild<FieldLink *>(QString(), Qt::FindDirectChildrenOnly);
        if (link && link->dataSet() == m_data && link->editor() == w && w->isVisible() && w->isEnabled() && !w->property("readOnly").toBool() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void NavigatorBar::updateButtons()
{
    const bool open = m_data && m_data->isOpen();
    const bool modifiable = open && m_data->canModify();
    const bool changing = open && (m_data->state() == DataSet::State::Edit || m_data->state() == DataSet::State::Insert);
    const bool atFirst = !open || m_data->isEmpty() || m_data->atFirst();
    const bool atLast = !open || m_data->isEmpty() || m_data->atLast();
    const auto enable = [this](Action action, bool enabled) {
        if (QToolButton *b = m_buttons.value(action))
            b->setEnabled(enabled);
    };
    enable(First, open && !atFirst);
    enable(Prior, open && !atFirst);
    enable(Next, open && !atLast);
    enable(Last, open && !atLast);
    enable(Insert, modifiable);
    enable(Delete, modifiable && !m_data->isEmpty());
    enable(Edit, modifiable && !changing);
    enable(Post, modifiable && changing);
    enable(Cancel, modifiable && changing);
    enable(Refresh, modifiable);
}
