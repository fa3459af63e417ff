#include "ui/set_pages.h"

#include "ui/bound_fields.h"
#include "ui/messages.h"
#include "data/dataset.h"
#include "data/db_error.h"

#include <algorithm>

SetPages::SetPages(QWidget *parent) : QTabWidget(parent)
{
    connect(this, &QTabWidget::currentChanged, this, &SetPages::leave);
}

void SetPages::addPage(QWidget *page, const QString &caption, DataSet &data)
{
    addTab(page, caption);
    m_sets.push_back(&data);
}

void SetPages::leave(int shown)
{
    if (shown < 0 || size_t(m_shown) >= m_sets.size())
        return;
    DataSet &left = *m_sets[size_t(m_shown)];
    const QList<FieldLink *> links = window()->findChildren<FieldLink *>();
    const bool typed = left.isModified() || std::any_of(links.begin(), links.end(), [&left](FieldLink *link) {
                           return &link->data() == &left && link->isDirty();
                       });
    try {
        if (typed)
            left.post();
        else if (left.state() == DataSet::State::Insert)
            left.cancel();
    } catch (const DbError &error) {
        messages::error(window(), refusalInWords(error, window()));
        const QSignalBlocker staying(this);
        setCurrentIndex(m_shown);
        return;
    }
    m_shown = shown;
    emit pageShown(shown);
}
