#include "child_history_window.h"

#include "bound_fields.h"
#include "navigator_bar.h"
#include "record_list.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Example = QStringLiteral("* (π.χ 28/12/2007)");
constexpr Qt::Alignment Centred = Qt::AlignCenter;

} // namespace

const ChildHistory &ChildHistory::visits()
{
    static const ChildHistory history{
        "TFORM17A",
        "Επισκέψεις",
        "EPISKEPSEIS",
        {{"Ημερομηνία:", "HMEROMHNIA", 100, Example}, {"Αιτία:", "AITIA", 0, "*"}, {"Περιγραφή:", "PERIGRAFH", 0, "*"}},
        "select ID AS ID,HMEROMHNIA AS HMEROMHNIA,AITIA AS AITIA,PERIGRAFH AS PERIGRAFH from EPISKEPSEIS WHERE ID=",
        " ORDER BY HMEROMHNIA ASC",
        {{"HMEROMHNIA", "Ημερομηνία", 102, Centred}, {"AITIA", "Αιτία", 239}, {"PERIGRAFH", "Περιγραφή", 238}},
        " επισκέψεις",
    };
    return history;
}

const ChildHistory &ChildHistory::labTests()
{
    static const ChildHistory history{
        "TForm17C",
        "Εργαστηριακές εξετάσεις",
        "ERGASTHRIAKA",
        {{"Ημερομηνία:", "HMEROMHNIA", 100, Example},
         {"Εργαστηριακή εξέταση:", "EKSETASH", 0, "*"},
         {"Min:", "MIN", 80, "*"},
         {"Max:", "MAX", 80, "*"},
         {"Αποτέλεσμα:", "APOTELESMA", 80, "*"},
         {"Μονάδες:", "MONADES", 80, "*"}},
        "select ID,HMEROMHNIA,EKSETASH,[MIN],[MAX],APOTELESMA,MONADES from ERGASTHRIAKA WHERE ID=",
        " ORDER BY HMEROMHNIA ASC",
        {{"HMEROMHNIA", "Ημερομηνία", 102, Centred},
         {"EKSETASH", "Εργαστηριακή εξέταση", 196},
         {"MIN", "MIN", 73, Centred},
         {"MAX", "MAX", 73, Centred},
         {"APOTELESMA", "Αποτέλεσμα", 86, Centred},
         {"MONADES", "Μονάδες", 71, Centred}},
        " εξετάσεις",
    };
    return history;
}

const ChildHistory &ChildHistory::measurements()
{
    static const ChildHistory history{
        "TForm69",
        "Σωματομετρία",
        "SWMATOMETRIA",
        {{"Ημερομηνία:", "HMEROMHNIA", 100, "*"}, {"Ύψος:", "YPSOS", 80, "*"}, {"Βάρος:", "BAROS", 80, "*"}},
        "SELECT ID, HMEROMHNIA, Format(BAROS,'0.00') AS BAROS, Format(YPSOS,'0.00') AS YPSOS FROM SWMATOMETRIA WHERE ID=",
        " ORDER BY HMEROMHNIA",
        {{"HMEROMHNIA", "Ημερομηνία", 102, Centred}, {"YPSOS", "Ύψος", 62, Centred}, {"BAROS", "Βάρος", 62, Centred}},
        " μετρήσεις",
    };
    return history;
}

ChildHistoryWindow::ChildHistoryWindow(const ChildHistory &history, QWidget *parent)
    : ChildWindow(history.objectName, history.title, parent), m_history(history)
{
    // The entry form, generated from the history's fields.
    auto *entry = new QGridLayout;
    QWidget *first = nullptr;
    int row = 0;
    for (const HistoryEntryField &f : history.entry) {
        auto *field = new BoundLineEdit(m_data, f.column, this);
        field->setObjectName(f.column);
        if (f.width > 0)
            field->setFixedWidth(f.width);
        else
            field->setMinimumWidth(420);
        addField(entry, row++, f.caption, field, f.marker);
        if (!first)
            first = field;
    }
    auto *save = new NavigatorBar(m_data, NavigatorBar::Post, this);

    auto *list = new RecordList(m_list, history.listColumns, this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setDeleteAllowed(false);
    list->setMinimumSize(640, 220);
    m_count = look::note(QString(), this);
    m_count->setObjectName(QStringLiteral("CountLine"));
    auto *listBar = new NavigatorBar(m_list, NavigatorBar::Browser | NavigatorBar::Delete, this);
    listBar->setObjectName(QStringLiteral("DBNavigator2"));
    connect(listBar, &NavigatorBar::actionDone, this, [this] {
        m_count->setText(QStringLiteral("Βρέθηκαν %1%2").arg(m_list.recordCount()).arg(m_history.countNoun));
    });
    QPushButton *exit = look::exitButton(this);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(false));
    layout->addLayout(entry);
    layout->addWidget(save, 0, Qt::AlignLeft);
    layout->addWidget(list);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count);
    bottom->addStretch();
    bottom->addWidget(listBar);
    bottom->addStretch();
    bottom->addWidget(exit);
    layout->addLayout(bottom);
    // Every row written belongs to the child, however it was begun.
    connect(&m_data, &DataSet::aboutToPost, this, [this] { m_data.setValue(QStringLiteral("ID"), ChildID.toInt()); });
    connect(&m_data, &DataSet::posted, this, [this, first] {
        runList();
        beginNewRow();
        if (first)
            first->setFocus(); // the next entry begins with its date
    });
}

void ChildHistoryWindow::load()
{
    openTableForAppend(m_history.table); // the entry form only adds
    beginNewRow();
    runList();
}

void ChildHistoryWindow::beginNewRow()
{
    m_data.append();
    m_data.setValue(QStringLiteral("ID"), ChildID.toInt());
}

void ChildHistoryWindow::runList()
{
    m_list.setSql(m_history.listStatement + ChildID + m_history.listOrder);
    m_list.open();
    m_count->setText(QStringLiteral("Βρέθηκαν %1%2").arg(m_list.recordCount()).arg(m_history.countNoun));
}
