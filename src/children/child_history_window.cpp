#include "children/child_history_window.h"

#include "ui/bound_fields.h"
#include "printing/data_connections.h"
#include "ui/navigator_bar.h"
#include "printing/print_run.h"
#include "ui/record_list.h"
#include "children/growth_chart_window.h"
#include "data/growth_readings.h"

#include <QColor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Example = QStringLiteral("* (π.χ 28/12/2007)");
const QString CheckTheValue = QStringLiteral("Ελέγξτε την τιμή");
constexpr Qt::Alignment Centred = Qt::AlignCenter;

} // namespace

const ChildHistory &ChildHistory::visits()
{
    static const ChildHistory history{
        "TFORM17A",
        "Επισκέψεις",
        "EPISKEPSEIS",
        {{"Ημερομηνία:", "HMEROMHNIA", 100, Example}, {"Αιτία:", "AITIA", 0, "*"}, {"Περιγραφή:", "PERIGRAFH", 0, "*"}},
        "select ID AS ID,HMEROMHNIA AS HMEROMHNIA,AITIA AS AITIA,PERIGRAFH AS PERIGRAFH from EPISKEPSEIS WHERE ID=?1",
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
        "select ID,HMEROMHNIA,EKSETASH,[MIN],[MAX],APOTELESMA,MONADES from ERGASTHRIAKA WHERE ID=?1",
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

namespace {

// A WHO z-score as a paediatrician reads it, «P62 (z 0,31)»; red with a hint beyond WHO's
// flags for implausible values, where a typing error is likelier than the child.
ListColumn growthColumn(const QString &field, const QString &title, who::Indicator indicator)
{
    return {field, title, 104, Centred, [indicator](const QVariant &z, int role) -> QVariant {
                if (z.isNull())
                    return {};
                const bool implausible = who::implausible(indicator, z.toDouble());
                if (role == Qt::DisplayRole)
                    return who::centileAndZ(z.toDouble());
                if (role == Qt::ForegroundRole && implausible)
                    return QColor(Qt::red);
                if (role == Qt::ToolTipRole && implausible)
                    return CheckTheValue;
                return {};
            }};
}

} // namespace

const ChildHistory &ChildHistory::measurements()
{
    static const ChildHistory history{
        "TForm69",
        "Σωματομετρία",
        "SWMATOMETRIA",
        {{"Ημερομηνία:", "HMEROMHNIA", 100, "*"},
         {"Ύψος:", "YPSOS", 80, "*"},
         {"Βάρος:", "BAROS", 80, "*"},
         {"Περίμετρος κεφαλής:", "PERIMETROS_KEFALHS", 80, ""}},
        // ?2 and ?3: the child's sex and birth date, as the child's record holds them.
        "SELECT ID, HMEROMHNIA, Format(BAROS,'0.00') AS BAROS, Format(YPSOS,'0.00') AS YPSOS, "
        "Format(PERIMETROS_KEFALHS,'0.00') AS PERIMETROS_KEFALHS, "
        "WHO_Z('wfa',?2,?3,HMEROMHNIA,BAROS) AS Z_WFA, WHO_Z('lhfa',?2,?3,HMEROMHNIA,YPSOS) AS Z_LHFA, "
        "WHO_Z('bmifa',?2,?3,HMEROMHNIA,BAROS,YPSOS) AS Z_BMIFA, "
        "WHO_Z('hcfa',?2,?3,HMEROMHNIA,PERIMETROS_KEFALHS) AS Z_HCFA FROM SWMATOMETRIA WHERE ID=?1",
        " ORDER BY HMEROMHNIA",
        {{"HMEROMHNIA", "Ημερομηνία", 102, Centred},
         {"YPSOS", "Ύψος", 62, Centred},
         {"BAROS", "Βάρος", 62, Centred},
         {"PERIMETROS_KEFALHS", "Π. κεφαλής", 76, Centred},
         growthColumn("Z_WFA", "Βάρος/ηλικία", who::Indicator::WeightForAge),
         growthColumn("Z_LHFA", "Ύψος/ηλικία", who::Indicator::LengthHeightForAge),
         growthColumn("Z_BMIFA", "ΔΜΣ/ηλικία", who::Indicator::BmiForAge),
         growthColumn("Z_HCFA", "Π.Κ./ηλικία", who::Indicator::HeadForAge)},
        " μετρήσεις",
        true,
    };
    return history;
}

ChildHistoryWindow::ChildHistoryWindow(const ChildHistory &history, QWidget *parent)
    : ChildWindow(history.objectName, history.title, parent), m_history(history)
{
    QWidget *first = nullptr;
    QGridLayout *entry = entryForm(first);
    auto *save = new NavigatorBar(m_data, NavigatorBar::Post, this);
    RecordList *list = historyList();
    QLayout *bottom = listCommands();
    list->fitWidthToColumns();

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(false));
    layout->addLayout(entry);
    layout->addWidget(save, 0, Qt::AlignLeft);
    layout->addWidget(list);
    layout->addLayout(bottom);
    if (history.growth)
        addGrowthLines(layout);

    // Every row written belongs to the child, however it was begun.
    connect(&m_data, &DataSet::aboutToPost, this, [this] { m_data.setValue(QStringLiteral("ID"), childId()); });
    connect(&m_data, &DataSet::posted, this, [this, first] {
        runList();
        beginNewRow();
        if (first)
            first->setFocus(); // the next entry begins with its date
    });
}

// The entry form, generated from the history's fields; `first` is its first field.
QGridLayout *ChildHistoryWindow::entryForm(QWidget *&first)
{
    auto *entry = new QGridLayout;
    int row = 0;
    for (const HistoryEntryField &f : m_history.entry) {
        auto *field = boundLine(f.column, {}, f.width);
        if (f.width <= 0)
            field->setMinimumWidth(420);
        look::addField(entry, row++, f.caption, field, f.marker);
        if (!first)
            first = field;
    }
    return entry;
}

RecordList *ChildHistoryWindow::historyList()
{
    auto *list = m_listView = new RecordList(m_list, m_history.listColumns, this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setDeleteAllowed(false);
    list->setMinimumSize(640, 220);
    return list;
}

// Under the list: how many rows it holds, its record bar (which only deletes) and the exit.
QLayout *ChildHistoryWindow::listCommands()
{
    m_count = look::note(QString(), this);
    m_count->setObjectName(QStringLiteral("CountLine"));
    auto *listBar = new NavigatorBar(m_list, NavigatorBar::Browser | NavigatorBar::Delete, this);
    listBar->setObjectName(QStringLiteral("DBNavigator2"));
    connect(listBar, &NavigatorBar::actionDone, this, [this] {
        m_count->setText(QStringLiteral("Βρέθηκαν %1%2").arg(m_list.recordCount()).arg(m_history.countNoun));
    });
    QPushButton *exit = look::exitButton(this);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count);
    bottom->addStretch();
    bottom->addWidget(listBar);
    bottom->addStretch();
    bottom->addWidget(exit);
    return bottom;
}

// Growth measurements: the line of values to check, the reference, the curves and the table.
void ChildHistoryWindow::addGrowthLines(QVBoxLayout *layout)
{
    m_check = look::note(QString(), this);
    m_check->setObjectName(QStringLiteral("CheckLine"));
    auto *reference = new QLabel(
        QStringLiteral("Εκατοστιαίες θέσεις και z κατά WHO 2006 (έως 5 ετών) και WHO 2007 (5–19 ετών). "
                       "Κάτω των 2 ετών το ύψος διαβάζεται ως μήκος ξαπλωτό, από 2 ετών ως όρθιο ύψος."),
        this);
    reference->setWordWrap(true);
    auto *chart = new QPushButton(QStringLiteral("&Καμπύλες ανάπτυξης"), this);
    chart->setObjectName(QStringLiteral("ChartButton"));
    connect(chart, &QPushButton::clicked, this, guarded([this] {
                GrowthChartWindow window(this);
                window.hand({ChildID, ChildName, ChildSurname, GuardianName, BirthDate});
                window.exec();
            }));
    auto *table = new QPushButton(QStringLiteral("Εκτύπωση &πίνακα"), this);
    table->setObjectName(QStringLiteral("PrintTableButton"));
    connect(table, &QPushButton::clicked, this, guarded(&ChildHistoryWindow::printGrowthTable));
    data_connections::add(QStringLiteral("RvDataSetConnectionGrowth"), m_growthTable, this);
    auto *growthLine = new QHBoxLayout;
    growthLine->addWidget(reference, 1);
    growthLine->addWidget(chart);
    growthLine->addWidget(table);
    layout->addWidget(m_check);
    layout->addLayout(growthLine);
}

void ChildHistoryWindow::load()
{
    openTableForAppend(m_history.table); // the entry form only adds
    if (m_history.growth) {
        const auto [sex, birth] = readSexAndBirth();
        // The sex as one of its two texts, whatever else the record holds.
        m_childSex = !sex ? QVariant() : QVariant(*sex == who::Sex::Boy ? QStringLiteral("ΑΡΡΕΝ") : QStringLiteral("ΘΗΛΥ"));
        m_childBirth = birth.isValid() ? QVariant(birth) : QVariant();
    }
    beginNewRow();
    runList();
}

void ChildHistoryWindow::beginNewRow()
{
    m_data.append();
    m_data.setValue(QStringLiteral("ID"), childId());
}

void ChildHistoryWindow::runList()
{
    QVariantList values{childId()};
    if (m_history.growth)
        values << m_childSex << m_childBirth;
    m_list.setSql(m_history.listStatement + m_history.listOrder, values);
    m_list.open();
    m_listView->fitWidthToColumns(); // the row marker's column widens once there are rows
    m_count->setText(QStringLiteral("Βρέθηκαν %1%2").arg(m_list.recordCount()).arg(m_history.countNoun));
    if (m_check)
        markImplausibleRows();
}

// The dates whose values lie beyond WHO's flags, in words as well as in red, for whoever
// does not see colours or hover over the list.
void ChildHistoryWindow::markImplausibleRows()
{
    const std::pair<const char *, who::Indicator> columns[] = {{"Z_WFA", who::Indicator::WeightForAge},
                                                               {"Z_LHFA", who::Indicator::LengthHeightForAge},
                                                               {"Z_BMIFA", who::Indicator::BmiForAge},
                                                               {"Z_HCFA", who::Indicator::HeadForAge}};
    QStringList dates;
    for (int row = 0; row < m_list.recordCount(); ++row)
        for (const auto &[column, indicator] : columns) {
            const QVariant z = m_list.value(row, m_list.fieldIndex(QLatin1String(column)));
            if (!z.isNull() && who::implausible(indicator, z.toDouble())) {
                dates << displayText(m_list.value(row, m_list.fieldIndex(QStringLiteral("HMEROMHNIA"))));
                break;
            }
        }
    m_check->setText(dates.isEmpty() ? QString() : CheckTheValue + QStringLiteral(": ") + dates.join(QStringLiteral(", ")));
}

// The child's growth table with the WHO readings, through GROWTH.RAV.
void ChildHistoryWindow::printGrowthTable()
{
    const QString reading = QStringLiteral("WHO_READING('%1',P.FYLO,P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA,%2) AS %3");
    const QString statement =
        QStringLiteral("SELECT P.ONOMA AS ONOMA, P.EPWNYMO AS EPWNYMO, P.FYLO AS FYLO, P.HMEROMHNIA_GENNHSEWS AS GENNHSH, "
                       "S.HMEROMHNIA AS HMEROMHNIA, AGE_TEXT(P.HMEROMHNIA_GENNHSEWS,S.HMEROMHNIA) AS HLIKIA, "
                       "Format(S.YPSOS,'0.00') AS YPSOS, Format(S.BAROS,'0.00') AS BAROS, "
                       "Format(S.PERIMETROS_KEFALHS,'0.00') AS PERIMETROS_KEFALHS, ") +
        QStringList{reading.arg("wfa", "S.BAROS", "WFA"), reading.arg("lhfa", "S.YPSOS", "LHFA"),
                    reading.arg("bmifa", "S.BAROS,S.YPSOS", "BMIFA"), reading.arg("hcfa", "S.PERIMETROS_KEFALHS", "HCFA")}
            .join(QStringLiteral(", ")) +
        QStringLiteral(" FROM SWMATOMETRIA S INNER JOIN STOIXEIA_PAIDIOY P ON P.ID=S.ID WHERE S.ID=? ORDER BY S.HMEROMHNIA");
    PrintRun run;
    run.query(m_growthTable, statement, {childId()}, false); // the report opens it
    run.print(m_growthReport, QStringLiteral("GROWTH.RAV"), this);
}
