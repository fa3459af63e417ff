#pragma once

#include "ui/child_window.h"

#include <QHash>
#include <functional>

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
    class QLineEdit *m_from;
    class QLineEdit *m_to;
    QPushButton *m_findByInitials;
    QLabel *m_initialsRefusal; // a character the initials may not hold, and why
    QLabel *m_datesRefusal;
    QPushButton *m_findByDates;
};
