#pragma once

#include "ui/child_window.h"
#include "ui/date_range_criteria.h"
#include "clinical/vaccine_schedule.h"
#include "data/vaccine_records.h"

#include <QHash>
#include <functional>
#include <optional>
#include <unordered_map>

class NavigatorBar;
class QAction;
class QButtonGroup;
class QLabel;
class QMenuBar;
class QPushButton;
class RecordList;

// TForm18: the children found by a search, lasting the whole run. The gateway to everything
// kept per child: it hands the selected child to each window it opens.
class ChildRegisterWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ChildRegisterWindow(QWidget *parent = nullptr);

    QString SelectText; // the statement the register runs
    QString WhereText;  // its tail from WHERE on, handed to the printouts

    // Windows of other parts (receipt issue, income, printouts), by name; until one is
    // set its button does nothing.
    using Opener = std::function<void(const ChildHandover &)>;
    void setOpener(const QString &windowName, Opener open);
    ChildHandover selectedChild() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildList();
    void buildSortGroups();
    void buildCommands();
    void load();
    void showCount();
    void sortChosen();
    void open(const QString &windowName);
    void openDetails();

    QHash<QString, Opener> m_openers;
    RecordList *m_list;
    QLabel *m_count;
    NavigatorBar *m_bar;
    QWidget *m_sortGroups;
    QWidget *m_buttons;
    QMenuBar *m_menuBar;
    QPushButton *m_loneExit;
    QButtonGroup *m_sortColumn;
    QButtonGroup *m_sortDirection;
    QPushButton *m_receiptButton;
    QAction *m_receiptItem;
    QString m_sort;
    // The «Εμβόλια» column: each child's series due and overdue today, evaluated when its row
    // is first drawn, and again after the child's vaccinations close.
    QVariant vaccinesDue(qint64 childId, int role);
    clinical::Schedule m_schedule;
    bool m_scheduleRead = false;
    std::unordered_map<qint64, vaccine_records::DueCount> m_due;
};

// TForm17: finds children by the first letters of the surname, by birth dates, or all.
class ChildSearchWindow : public Window {
    Q_OBJECT
public:
    ChildSearchWindow(ChildRegisterWindow &childRegister, QWidget *parent = nullptr);

private:
    void searchByInitials();
    QString typedInitials() const; // trimmed, without apostrophes
    void searchByBirthDates();
    void showRegister(const QString &where);

    ChildRegisterWindow &m_register;
    class QLineEdit *m_initials;
    std::optional<DateRangeCriteria> m_dates;
    QPushButton *m_findByInitials;
    QLabel *m_initialsRefusal; // a character the initials may not hold, and why
    QLabel *m_datesRefusal;
    QPushButton *m_findByDates;
};
