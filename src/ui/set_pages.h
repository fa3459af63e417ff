#pragma once

#include <QTabWidget>
#include <vector>

class DataSet;

// Tabs whose pages each edit a set of their own, each with its own record bar (so that only the
// shown page answers Ctrl+S). Leaving a page stores what was typed there, so that nothing waits
// unseen on a hidden page; a new row nobody typed into is dropped, and a refusal keeps the page.
class SetPages : public QTabWidget {
    Q_OBJECT
public:
    explicit SetPages(QWidget *parent = nullptr);
    void addPage(QWidget *page, const QString &caption, DataSet &data);

signals:
    // Another page is shown, the one left having stored its row.
    void pageShown(int index);

private:
    void leave(int shown);

    std::vector<DataSet *> m_sets;
    int m_shown = 0;
};
