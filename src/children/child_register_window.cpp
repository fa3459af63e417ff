#include "children/child_register_window.h"

#include "ui/captions.h"
#include "children/child_history_window.h"
#include "children/child_identity_windows.h"
#include "data/db_error.h"
#include "data/global.h"
#include "data/jet_dialect.h"
#include "data/schema.h"
#include "children/health_card_window.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "ui/typed_values.h"
#include "children/vaccination_window.h"

#include <QButtonGroup>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString ChildColumns = QStringLiteral(
    "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
    "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY");

const QStringList SortColumns = {"EPWNYMO", "HMEROMHNIA_GENNHSEWS", "FYLO", "ONOMATEPWNYMO_PATERA",
                                 "ONOMATEPWNYMO_MHTERAS", "ONOMATEPWNYMO_KHDEMONA"};

// The register's commands: button caption, menu caption, the window each opens.
struct Command {
    const char *button;
    const char *menuItem;
    const char *window;
};
const Command Commands[] = {
    {"Στοιχεία του &παιδιού", "Στοιχεία του &παιδιού", "TForm19"},
    {"Δελτίο &υγείας", "Δελτίο &υγείας", "TForm20"},
    {"Ε&μβολιασμοί", nullptr, "TForm21"}, // the menu item reads captions::VaccinationsItem
    {"Σωμα&τομετρία", "Σωμα&τομετρία", "TForm69"},
    {"Ε&ργαστηριακές εξετάσεις", "Ε&ργαστηριακές εξετάσεις", "TForm17C"},
    {"Επισκέ&ψεις", "Επισκέ&ψεις", "TFORM17A"},
    {"Έκδοση &απόδειξης", "Έκδοση απόδειξ&ης", "TForm56"},
    {"Εισπράξεις από το&ν ασθενή", "Εισπράξεις από το&ν ασθενή", "TForm57"},
    {"Ε&κτυπώσεις", "Ε&κτυπώσεις", "TForm22"},
    {"Έ&ξοδος", "Έ&ξοδος", ""},
};
const QString DeleteChildQuestion = QStringLiteral(
    "Να διαγραφεί το παιδί %1 %2;\nΜαζί διαγράφονται οι επισκέψεις, οι εργαστηριακές εξετάσεις και οι "
    "σωματομετρίες του. Οι αποδείξεις και οι εισπράξεις μένουν.");
// Menu order, by index into Commands; -1 is a separator.
const int MenuOrder[] = {0, 1, 3, 2, 4, 5, -1, 6, 7, -1, 8, 9};

} // namespace

ChildRegisterWindow::ChildRegisterWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm18"), QStringLiteral("Βασικά στοιχεία των παιδιών"), parent)
{
    buildList();
    buildSortGroups();
    buildCommands();
    m_loneExit = look::exitButton(this);
    m_loneExit->setObjectName(QStringLiteral("LoneExit"));

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_list, 1);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(m_count);
    countRow->addSpacing(20);
    countRow->addWidget(m_bar);
    countRow->addStretch();
    layout->addLayout(countRow);
    auto *lower = new QHBoxLayout;
    lower->addWidget(m_sortGroups);
    lower->addStretch();
    lower->addWidget(m_buttons, 0, Qt::AlignTop);
    layout->addLayout(lower);
    layout->addWidget(m_loneExit, 0, Qt::AlignRight);

    // A child registered or corrected on another seat shows in the open register, which keeps
    // its order and the selected child.
    refreshRowsOnChanges(QStringLiteral("STOIXEIA_PAIDIOY"), [this] { showCount(); });
}

void ChildRegisterWindow::buildList()
{
    m_list = new RecordList(m_data,
                            {{"ONOMA", "Όνομα", 100},
                             {"EPWNYMO", "Επώνυμο", 100},
                             {"FYLO", "Φύλο", 40, Qt::AlignCenter},
                             {"HMEROMHNIA_GENNHSEWS", "Ημερ.Γενν.", 70, Qt::AlignCenter},
                             {"ID", "Εμβόλια", 90, Qt::AlignCenter,
                              [this](const QVariant &id, int role) { return vaccinesDue(id.toLongLong(), role); }},
                             {"DIEYTHYNSH", "Διεύθυνση", 180},
                             {"THLEFWNO_1", "Τηλέφωνο 1", 75},
                             {"THLEFWNO_2", "Τηλέφωνο 2", 75},
                             {"ONOMATEPWNYMO_PATERA", "Ονοματεπώνυμο πατέρα", 155},
                             {"ONOMATEPWNYMO_MHTERAS", "Ονοματεπώνυμο μητέρας", 155},
                             {"ONOMATEPWNYMO_KHDEMONA", "Ονοματεπώνυμο κηδεμόνα", 165}},
                            this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    m_list->setDeleteAllowed(false); // a read-only grid; the record bar deletes
    m_list->setMinimumSize(1000, 300);
    m_count = look::note(QString(), this);
    m_count->setObjectName(QStringLiteral("CountLine"));
    m_bar = new NavigatorBar(m_data, NavigatorBar::Browser | NavigatorBar::Delete, this);
    connect(m_bar, &NavigatorBar::actionDone, this, &ChildRegisterWindow::showCount);
    m_bar->setDeleteQuestion([this] {
        const ChildHandover child = selectedChild();
        return messages::confirmWeighty(this, DeleteChildQuestion.arg(child.ChildName, child.ChildSurname));
    });

}

// The two sort groups.
void ChildRegisterWindow::buildSortGroups()
{
    QGroupBox *columns = look::radioGroup(QStringLiteral("Ταξινόμηση με βάση"),
                                          {"Επώνυμο παιδιού", "Ημερομηνία γεννήσεως", "Φύλο", "Ονοματεπώνυμο πατέρα",
                                           "Ονοματεπώνυμο μητέρας", "Ονοματεπώνυμο κηδεμόνα"},
                                          Qt::Vertical, m_sortColumn, this);
    QGroupBox *direction = look::radioGroup(QStringLiteral("Είδος ταξινόμησης"), {"Ascending", "Descending"}, Qt::Vertical,
                                            m_sortDirection, this);
    for (QButtonGroup *buttons : {m_sortColumn, m_sortDirection})
        connect(buttons, &QButtonGroup::idClicked, this, guarded(&ChildRegisterWindow::sortChosen));
    m_sortGroups = new QWidget(this);
    auto *sortLayout = new QHBoxLayout(m_sortGroups);
    sortLayout->setContentsMargins(0, 0, 0, 0);
    sortLayout->addWidget(columns);
    sortLayout->addWidget(direction, 0, Qt::AlignTop);

}

// The ten commands, as buttons in two columns and as the menu "Επιλογές".
void ChildRegisterWindow::buildCommands()
{
    m_buttons = new QWidget(this);
    auto *buttonGrid = new QGridLayout(m_buttons);
    buttonGrid->setContentsMargins(0, 0, 0, 0);
    m_menuBar = new QMenuBar(this);
    QMenu *options = m_menuBar->addMenu(QStringLiteral("Επιλογές"));
    QList<QAction *> items;
    for (int i = 0; i < int(std::size(Commands)); ++i) {
        const QString window = QString::fromLatin1(Commands[i].window);
        auto *button = new QPushButton(QString::fromUtf8(Commands[i].button), m_buttons);
        button->setObjectName(window.isEmpty() ? QStringLiteral("ExitButton") : window);
        buttonGrid->addWidget(button, i % 5, i / 5);
        auto *item = new QAction(Commands[i].menuItem ? QString::fromUtf8(Commands[i].menuItem) : captions::VaccinationsItem, this);
        item->setObjectName(window.isEmpty() ? QStringLiteral("Exit") : window);
        items << item;
        const auto run = [this, window] { window.isEmpty() ? void(close()) : open(window); };
        connect(button, &QPushButton::clicked, this, guarded(run));
        connect(item, &QAction::triggered, this, guarded(run));
        if (window == QLatin1String("TForm56")) {
            m_receiptButton = button;
            m_receiptItem = item;
            button->setEnabled(false);
            item->setEnabled(false);
        }
    }
    for (const int index : MenuOrder) {
        if (index < 0)
            options->addSeparator();
        else
            options->addAction(items[index]);
    }
}

void ChildRegisterWindow::setOpener(const QString &windowName, Opener open)
{
    m_openers.insert(windowName, std::move(open));
}

void ChildRegisterWindow::showEvent(QShowEvent *event)
{
    RecordWindow::showEvent(event);
    runGuarded(this, [this] { load(); });
}

void ChildRegisterWindow::load()
{
    openQuery(SelectText);
    m_due.clear();
    m_scheduleRead = false; // the version in force may have changed
    showCount();
    // Each showing starts sorted by surname, ascending: the statement's own order.
    m_sortColumn->button(0)->setChecked(true);
    m_sortDirection->button(0)->setChecked(true);
    m_sort = QStringLiteral("EPWNYMO ASC");
    if (ReceiptNumberingSet) { // once enabled, it stays so for the run
        m_receiptButton->setEnabled(true);
        m_receiptItem->setEnabled(true);
    }
}

QVariant ChildRegisterWindow::vaccinesDue(qint64 childId, int role)
{
    if (!m_connection.isOpen())
        return {};
    auto found = m_due.find(childId);
    if (found == m_due.end()) {
        // Asked while the list paints, where no error may pass: a cell the data cannot fill
        // (a server gone meanwhile) stays empty, and the next action tells why.
        try {
            if (!m_scheduleRead) {
                m_schedule = vaccine_records::scheduleInForce(m_connection);
                m_scheduleRead = true;
            }
            found = m_due.emplace(childId, vaccine_records::dueCount(m_connection, m_schedule, childId, QDate::currentDate()))
                        .first;
        } catch (const DbError &) {
            return {};
        }
    }
    const vaccine_records::DueCount &count = found->second;
    switch (role) {
    case Qt::DisplayRole: {
        QStringList parts;
        if (count.overdue)
            parts << QStringLiteral("%1 καθυστ.").arg(count.overdue);
        if (count.due)
            parts << QStringLiteral("%1 οφείλ.").arg(count.due);
        return parts.join(QStringLiteral(", "));
    }
    case Qt::ForegroundRole: return count.overdue ? QVariant(QColor(Qt::red)) : QVariant();
    case Qt::ToolTipRole:
        return count.due || count.overdue
                   ? QVariant(QStringLiteral("Εμβόλια που οφείλονται: %1, που καθυστερούν: %2").arg(count.due).arg(count.overdue))
                   : QVariant();
    default: return {};
    }
}

void ChildRegisterWindow::showCount()
{
    const int found = m_data.recordCount();
    m_count->setText(QStringLiteral("Βρέθηκαν %1 παιδιά").arg(found));
    // With nobody found, no per-child window can be opened.
    for (QWidget *w : {m_sortGroups, m_buttons, static_cast<QWidget *>(m_bar), static_cast<QWidget *>(m_menuBar)})
        w->setVisible(found > 0);
    m_loneExit->setVisible(found == 0);
}

void ChildRegisterWindow::sortChosen()
{
    const QString sort = SortColumns[m_sortColumn->checkedId()] +
                         (m_sortDirection->checkedId() == 1 ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    if (sort == m_sort)
        return;
    m_sort = sort;
    m_data.setSort(sort); // the rows already fetched, in memory
}

ChildHandover ChildRegisterWindow::selectedChild() const
{
    const auto text = [this](const char *column) {
        return displayText(m_data.value(m_data.fieldIndex(QString::fromLatin1(column)))).trimmed();
    };
    return {text("ID"), text("ONOMA"), text("EPWNYMO"), text("ONOMATEPWNYMO_KHDEMONA"), text("HMEROMHNIA_GENNHSEWS")};
}

void ChildRegisterWindow::open(const QString &windowName)
{
    if (m_data.isEmpty())
        return;
    const ChildHandover child = selectedChild();
    if (windowName == QLatin1String("TForm19")) {
        openDetails();
        return;
    }
    std::unique_ptr<ChildWindow> window;
    if (windowName == QLatin1String("TForm20"))
        window = std::make_unique<HealthCardWindow>(this);
    else if (windowName == QLatin1String("TForm21"))
        window = std::make_unique<VaccinationWindow>(this);
    else if (windowName == QLatin1String("TForm69"))
        window = std::make_unique<ChildHistoryWindow>(ChildHistory::measurements(), this);
    else if (windowName == QLatin1String("TForm17C"))
        window = std::make_unique<ChildHistoryWindow>(ChildHistory::labTests(), this);
    else if (windowName == QLatin1String("TFORM17A"))
        window = std::make_unique<ChildHistoryWindow>(ChildHistory::visits(), this);
    if (window) {
        window->hand(child);
        window->exec();
        m_due.erase(child.ChildID.toLongLong()); // its doses may have changed
    } else if (const Opener opener = m_openers.value(windowName)) {
        opener(child);
    }
}

void ChildRegisterWindow::openDetails()
{
    {
        ChildDetailsWindow details(this);
        details.ChildID = selectedChild().ChildID;
        details.exec();
    }
    // The corrected child shows at once; only that row is read again, so the list keeps its
    // place and order.
    m_data.refreshCurrent();
    showCount();
}

ChildSearchWindow::ChildSearchWindow(ChildRegisterWindow &childRegister, QWidget *parent)
    : Window(QStringLiteral("TForm17"), QStringLiteral("Εύρεση παιδιού"), parent), m_register(childRegister)
{

    auto *pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    pages->tabBar()->setUsesScrollButtons(false); // both page captions stay readable
    pages->tabBar()->setElideMode(Qt::ElideNone);
    auto *byInitials = new QWidget;
    m_initials = new QLineEdit(byInitials);
    m_initials->setObjectName(QStringLiteral("Edit1"));
    // Default on its page; Enter in the dates moves on to their button.
    m_findByInitials = newDefaultButton(QStringLiteral("Εύ&ρεση"), QStringLiteral("Button1"), Starts::Disabled, byInitials);
    m_initialsRefusal = look::note(QString(), byInitials);
    m_initialsRefusal->setObjectName(QStringLiteral("InitialsRefusal"));
    m_initialsRefusal->setWordWrap(true);
    auto *initialsLayout = new QVBoxLayout(byInitials);
    initialsLayout->addWidget(look::caption(QStringLiteral("Γράψε τα αρχικά του επωνύμου"), m_initials, byInitials));
    initialsLayout->addWidget(m_initials);
    initialsLayout->addWidget(m_initialsRefusal);
    initialsLayout->addWidget(m_findByInitials, 0, Qt::AlignRight);
    initialsLayout->addStretch();
    pages->addTab(byInitials, QStringLiteral("Με βάση τα αρχικά του επωνύμου"));

    auto *byDates = new QWidget;
    auto *datesLayout = new QGridLayout(byDates);
    m_dates.emplace(datesLayout, 0, QStringLiteral("Edit2"), QStringLiteral("Edit3"), byDates);
    m_findByDates = new QPushButton(QStringLiteral("Εύ&ρεση"), byDates);
    m_findByDates->setObjectName(QStringLiteral("Button2"));
    m_datesRefusal = look::note(QString(), byDates);
    m_datesRefusal->setObjectName(QStringLiteral("DatesRefusal"));
    m_datesRefusal->setWordWrap(true);
    datesLayout->addWidget(m_datesRefusal, 2, 0, 1, 2);
    datesLayout->addWidget(m_findByDates, 3, 1, Qt::AlignRight);
    datesLayout->setRowStretch(4, 1);
    pages->addTab(byDates, QStringLiteral("Με βάση την ημερομηνία γεννήσεως"));

    auto *all = new QPushButton(QStringLiteral("Ό&λα τα παιδιά"), this);
    all->setObjectName(QStringLiteral("Button3"));
    QPushButton *exit = look::exitButton(this);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(pages);
    layout->addLayout(look::spreadRow({all}, {exit}));

    connect(m_initials, &QLineEdit::textChanged, this, [this] {
        const QString initials = typedInitials();
        const QChar refused = refusedCharacter(initials);
        m_initialsRefusal->setText(refused.isNull() ? QString()
                                                    : characterRefusal(refused, QStringLiteral("Αρχικά του επωνύμου"),
                                                                       QStringLiteral("γράψτε τα πρώτα γράμματα του επωνύμου (η απόστροφος αγνοείται)")));
        m_findByInitials->setEnabled(!initials.isEmpty() && refused.isNull());
    });
    m_dates->enable(m_findByDates, m_datesRefusal);
    connect(m_findByInitials, &QPushButton::clicked, this, guarded(&ChildSearchWindow::searchByInitials));
    connect(m_findByDates, &QPushButton::clicked, this, guarded(&ChildSearchWindow::searchByBirthDates));
    connect(all, &QPushButton::clicked, this, guarded([this] { showRegister(QString()); }));
}

QString ChildSearchWindow::typedInitials() const
{
    QString initials = m_initials->text();
    for (const QChar apostrophe : schema::SurnameApostrophes)
        initials.remove(apostrophe);
    return initials.trimmed();
}

void ChildSearchWindow::searchByInitials()
{
    showRegister(QStringLiteral("WHERE ") + schema::searchedSurname() + QStringLiteral(" LIKE") + jet::quoted(typedInitials() + QStringLiteral("%")) +
                 QStringLiteral(" ORDER BY EPWNYMO ASC"));
}

void ChildSearchWindow::searchByBirthDates()
{
    const auto dates = m_dates->dates();
    if (!dates) {
        m_findByDates->setEnabled(false); // until one of the fields is edited again
        messages::plain(this, QStringLiteral("Λανθασμένα κριτήρια."));
        m_datesRefusal->setText(QStringLiteral("Λανθασμένα κριτήρια."));
        return;
    }
    showRegister(QStringLiteral(" WHERE HMEROMHNIA_GENNHSEWS BETWEEN ") + dates->from + QStringLiteral(" AND ") +
                 dates->to + QStringLiteral(" ORDER BY EPWNYMO ASC"));
}

void ChildSearchWindow::showRegister(const QString &where)
{
    m_register.WhereText = where;
    if (where.isEmpty())
        m_register.SelectText = ChildColumns + QStringLiteral(" ORDER BY EPWNYMO ASC");
    else
        m_register.SelectText = ChildColumns + (where.startsWith(QLatin1Char(' ')) ? where : QLatin1Char(' ') + where);
    m_register.exec();
}
