#include "children/vaccine_schedule_window.h"

#include "ui/bound_fields.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"
#include "ui/set_pages.h"
#include "data/db_error.h"
#include "data/regional.h"
#include "data/vaccine_records.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The dose columns as the list and the form show them.
struct DoseColumn {
    const char *column;
    const char *title;
    const char *caption;
    int width;
};
const DoseColumn DoseColumns[] = {
    {"SEIRA", "Σειρά", "&Σειρά:", 70},
    {"DOSH", "Δόση", "&Δόση:", 40},
    {"ONOMA", "Όνομα", "Ό&νομα:", 190},
    {"SYNISTATAI_APO", "Συνιστάται από", "Συνιστάται &από:", 90},
    {"SYNISTATAI_EWS", "έως", "Συνιστάται έ&ως:", 60},
    {"ELAXISTH_HLIKIA", "Ελάχ. ηλικία", "Ελάχιστη η&λικία:", 80},
    {"ELAXISTO_DIASTHMA", "Ελάχ. διάστημα", "Ελάχιστο διάσ&τημα:", 90},
    {"DIASTHMA_APO", "από δόση", "Διάστημα από δ&όση:", 70},
    {"MEGISTH_HLIKIA", "Μέγ. ηλικία", "Μέγιστη ηλι&κία:", 80},
};

// A page's list of its set's rows; a row leaves only through the page's record bar, which checks.
RecordList *pageList(DataSet &data, std::vector<ListColumn> columns, const QString &name, int height, QWidget *page)
{
    auto *list = new RecordList(data, std::move(columns), page);
    list->setObjectName(name);
    list->setDeleteAllowed(false);
    list->setFixedHeight(height);
    list->fitWidthToColumns();
    return list;
}

// A field of a page's set, named by the page and the column.
BoundLineEdit *pageField(DataSet &data, const QString &page, const QString &column, int width, QWidget *parent)
{
    auto *field = new BoundLineEdit(data, column, parent);
    field->setObjectName(page + QLatin1Char('_') + column);
    field->setFixedWidth(width);
    return field;
}

} // namespace

VaccineScheduleWindow::VaccineScheduleWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("VaccineSchedule"), QStringLiteral("Πρόγραμμα εμβολιασμών"), parent)
{
    openTable(QStringLiteral("EMBOLIA_PROGRAMMATA"), QStringLiteral("HMEROMHNIA DESC, ID DESC"));
    m_pages = new SetPages(this);
    m_pages->setObjectName(QStringLiteral("Pages"));
    m_pages->addPage(versionsPage(), QStringLiteral("&Εκδόσεις"), m_data);
    m_pages->addPage(dosesPage(), QStringLiteral("Δό&σεις της έκδοσης"), m_doses);
    m_pages->addPage(productsPage(), QStringLiteral("Σκε&υάσματα"), m_products);
    m_pages->addPage(rulesPage(), QStringLiteral("Κανόνες σει&ρών"), m_rules);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_pages);
    layout->addLayout(look::spreadRow({}, {look::exitButton(this)}));
    connect(&m_data, &DataSet::currentChanged, this, &VaccineScheduleWindow::readParts);
    connect(&m_data, &DataSet::reset, this, &VaccineScheduleWindow::readParts);
    m_data.addBeforePost(this, [this] { refuseInForce(); });
    readParts();
}

// The versions: name, circular and date of each, which one is in force; a copy, and in force.
QWidget *VaccineScheduleWindow::versionsPage()
{
    auto *page = new QWidget;
    const auto inForceText = [](const QVariant &value, int role) -> QVariant {
        return role == Qt::DisplayRole && value.toBool() ? QVariant(QStringLiteral("Σε ισχύ")) : QVariant();
    };
    RecordList *list = pageList(m_data,
                                {{QStringLiteral("ONOMA"), QStringLiteral("Όνομα"), 330},
                                 {QStringLiteral("EGKYKLIOS"), QStringLiteral("Εγκύκλιος"), 250},
                                 {QStringLiteral("HMEROMHNIA"), QStringLiteral("Ημερομηνία"), 80, Qt::AlignCenter},
                                 {QStringLiteral("SE_ISXY"), QStringLiteral("Ισχύς"), 60, Qt::AlignCenter, inForceText}},
                                QStringLiteral("Versions"), 180, page);
    auto *form = new QGridLayout;
    BoundLineEdit *name = boundLine(QStringLiteral("ONOMA"), {}, 420);
    look::addField(form, 0, QStringLiteral("Ό&νομα:"), name, QStringLiteral("*"));
    look::addField(form, 1, QStringLiteral("Ε&γκύκλιος:"), boundLine(QStringLiteral("EGKYKLIOS"), {}, 420));
    look::addField(form, 2, QStringLiteral("Η&μερομηνία:"), boundLine(QStringLiteral("HMEROMHNIA"), {}, 100));
    auto *bar = new NavigatorBar(m_data, NavigatorBar::Browser | NavigatorBar::Post | NavigatorBar::Cancel, page);
    auto *copy = new QPushButton(QStringLiteral("&Αντίγραφο για αλλαγές"), page);
    copy->setObjectName(QStringLiteral("Copy"));
    auto *inForce = new QPushButton(QStringLiteral("Σε &ισχύ"), page);
    inForce->setObjectName(QStringLiteral("InForce"));
    connect(copy, &QPushButton::clicked, this, &VaccineScheduleWindow::copyVersion);
    connect(inForce, &QPushButton::clicked, this, &VaccineScheduleWindow::putInForce);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(list);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(look::spreadRow({bar}, {copy, inForce}));
    return page;
}

// The doses of the version shown, one row per series dose, each edited in the form below.
QWidget *VaccineScheduleWindow::dosesPage()
{
    auto *page = new QWidget;
    std::vector<ListColumn> columns;
    for (const DoseColumn &c : DoseColumns)
        columns.push_back({QString::fromLatin1(c.column), QString::fromUtf8(c.title), c.width});
    RecordList *list = pageList(m_doses, columns, QStringLiteral("Doses"), 330, page);
    // Two columns of fields under the list.
    auto *form = new QHBoxLayout;
    QGridLayout *grids[] = {new QGridLayout, new QGridLayout};
    int row = 0;
    for (const DoseColumn &c : DoseColumns) {
        look::addField(grids[row / 5], row % 5, QString::fromUtf8(c.caption),
                       pageField(m_doses, QStringLiteral("DOSE"), QString::fromLatin1(c.column), c.width + 40, page));
        ++row;
    }
    form->addLayout(grids[0]);
    form->addLayout(grids[1]);
    form->addStretch();
    QWidget *bar = partBar(m_doses, QStringLiteral("DBNavigator2"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(list);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(bar, 0, Qt::AlignLeft);
    return page;
}

// The products of the version: each names the series one dose of it counts for.
QWidget *VaccineScheduleWindow::productsPage()
{
    auto *page = new QWidget;
    RecordList *list = pageList(m_products,
                                {{QStringLiteral("ONOMA"), QStringLiteral("Σκεύασμα"), 330},
                                 {QStringLiteral("SEIRES"), QStringLiteral("Σειρές"), 250}},
                                QStringLiteral("Products"), 330, page);
    const QString field = QStringLiteral("PRODUCT");
    auto *form = new QGridLayout;
    look::addField(form, 0, QStringLiteral("Ό&νομα:"), pageField(m_products, field, QStringLiteral("ONOMA"), 420, page),
                   QStringLiteral("*"));
    look::addField(form, 1, QStringLiteral("&Καλύπτει σειρές:"),
                   pageField(m_products, field, QStringLiteral("SEIRES"), 300, page),
                   QStringLiteral("(π.χ. DTAP IPV HIB HEPB)"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(list);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(partBar(m_products, QStringLiteral("DBNavigator3")), 0, Qt::AlignLeft);
    connect(&m_products, &DataSet::stateChanged, this, [this](DataSet::State state) {
        m_productAsStored = state == DataSet::State::Edit ? m_products.value(QStringLiteral("ONOMA")).toString() : QString();
    });
    return page;
}

// The rules the dose table cannot hold: an extra interval, completion by age at a dose, a series
// given every season or only to risk groups.
QWidget *VaccineScheduleWindow::rulesPage()
{
    static const std::vector<BoundChoice::Item> kinds{
        {QStringLiteral("interval"), QStringLiteral("Διάστημα από δόση")},
        {QStringLiteral("complete"), QStringLiteral("Ολοκλήρωση σε ηλικία")},
        {QStringLiteral("seasonal"), QStringLiteral("Κάθε περίοδο")},
        {QStringLiteral("risk"), QStringLiteral("Μόνο ομάδες κινδύνου")}};
    const auto kindText = [](const QVariant &value, int role) -> QVariant {
        if (role != Qt::DisplayRole)
            return {};
        for (const BoundChoice::Item &kind : kinds)
            if (kind.value == value.toString())
                return kind.text;
        return value;
    };
    auto *page = new QWidget;
    RecordList *list = pageList(m_rules,
                                {{QStringLiteral("SEIRA"), QStringLiteral("Σειρά"), 70},
                                 {QStringLiteral("KANONAS"), QStringLiteral("Κανόνας"), 150, Qt::AlignLeft | Qt::AlignVCenter, kindText},
                                 {QStringLiteral("DOSH"), QStringLiteral("Δόση"), 40, Qt::AlignCenter},
                                 {QStringLiteral("APO_DOSH"), QStringLiteral("Από δόση"), 60, Qt::AlignCenter},
                                 {QStringLiteral("TIMH"), QStringLiteral("Τιμή"), 60, Qt::AlignCenter},
                                 {QStringLiteral("SHMEIWSEIS"), QStringLiteral("Σημειώσεις"), 300}},
                                QStringLiteral("Rules"), 280, page);
    const auto line = [this, page](const QString &column, int width) {
        return pageField(m_rules, QStringLiteral("RULE"), column, width, page);
    };
    // Made in the order Tab goes through them.
    BoundLineEdit *series = line(QStringLiteral("SEIRA"), 110);
    auto *kind = new BoundChoice(m_rules, QStringLiteral("KANONAS"), {}, page);
    kind->setItems(kinds);
    kind->setObjectName(QStringLiteral("RULE_KANONAS"));
    auto *form = new QGridLayout;
    look::addField(form, 0, QStringLiteral("Σειρ&ά:"), series, QStringLiteral("*"));
    look::addField(form, 1, QStringLiteral("&Κανόνας:"), kind, QStringLiteral("*"));
    look::addField(form, 2, QStringLiteral("&Δόση:"), line(QStringLiteral("DOSH"), 60));
    look::addField(form, 3, QStringLiteral("Α&πό δόση:"), line(QStringLiteral("APO_DOSH"), 60));
    look::addField(form, 4, QStringLiteral("&Τιμή:"), line(QStringLiteral("TIMH"), 60), QStringLiteral("(π.χ. 16w, 15m, 4y)"));
    look::addField(form, 5, QStringLiteral("Σημει&ώσεις:"), line(QStringLiteral("SHMEIWSEIS"), 420));
    auto *meaning = new QLabel(QStringLiteral("Διάστημα: η δόση, από ποια δόση μετράει, και η τιμή του. "
                                              "Ολοκλήρωση: οι δόσεις που αρκούν, όταν η «από» δόση έγινε "
                                              "στην ηλικία της τιμής ή μετά."),
                               page);
    meaning->setWordWrap(true);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(list);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(meaning);
    layout->addWidget(partBar(m_rules, QStringLiteral("DBNavigator4")), 0, Qt::AlignLeft);
    return page;
}

QWidget *VaccineScheduleWindow::partBar(DataSet &part, const QString &name)
{
    auto *bar = new NavigatorBar(part, NavigatorBar::FullEditor | NavigatorBar::Cancel);
    bar->setObjectName(name);
    bar->setDeleteQuestion([this, &part] {
        try {
            refuseInForce();
            refuseLosingRecordedProduct(part, true);
            checkVersion(part, part.currentRow());
        } catch (const DbError &error) {
            messages::error(this, error.text());
            return false;
        }
        return messages::confirmDelete(this);
    });
    part.addBeforePost(this, [this, &part] {
        refuseInForce();
        refuseLosingRecordedProduct(part, false);
        part.setValue(QStringLiteral("PROGRAMMA"), version());
        checkVersion(part, -1);
    });
    return bar;
}

void VaccineScheduleWindow::readParts()
{
    if (!m_connection.isOpen())
        return;
    // Each set starts with PROGRAMMA; the columns after it are the rows the schedule is read from.
    m_doses.setSql(QStringLiteral("SELECT PROGRAMMA, SEIRA, DOSH, ONOMA, SYNISTATAI_APO, SYNISTATAI_EWS, ELAXISTH_HLIKIA, "
                                  "ELAXISTO_DIASTHMA, DIASTHMA_APO, MEGISTH_HLIKIA, SELIDA, SHMEIWSEIS FROM EMBOLIA_DOSEIS "
                                  "WHERE PROGRAMMA=?"),
                   {version()});
    m_doses.open();
    m_products.setSql(QStringLiteral("SELECT PROGRAMMA, ONOMA, SEIRES FROM EMBOLIA_SKEYASMATA WHERE PROGRAMMA=?"), {version()});
    m_products.open();
    m_rules.setSql(QStringLiteral("SELECT PROGRAMMA, SEIRA, KANONAS, DOSH, APO_DOSH, TIMH, SHMEIWSEIS FROM EMBOLIA_KANONES "
                                  "WHERE PROGRAMMA=?"),
                   {version()});
    m_rules.open();
}

qint64 VaccineScheduleWindow::version() const
{
    return m_data.isEmpty() ? 0 : m_data.value(QStringLiteral("ID")).toLongLong();
}

bool VaccineScheduleWindow::inForce() const
{
    return !m_data.isEmpty() && m_data.value(QStringLiteral("SE_ISXY")).toBool();
}

void VaccineScheduleWindow::refuseInForce() const
{
    if (inForce())
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("Το πρόγραμμα σε ισχύ δεν αλλάζει. Κάντε ένα αντίγραφο του και αλλάξτε εκείνο."));
}

// Doses on record name their product: one they name keeps its name, or once the copy is in force
// a combination dose would count for the series of its own line only.
void VaccineScheduleWindow::refuseLosingRecordedProduct(const DataSet &part, bool removing)
{
    if (&part != &m_products)
        return;
    const QString name = m_products.value(QStringLiteral("ONOMA")).toString();
    const QString lost = removing ? name : m_productAsStored;
    if (lost.isEmpty() || (!removing && lost == name))
        return;
    if (m_connection.scalar(QStringLiteral("SELECT 1 FROM EMBOLIA_EPIPLEON WHERE SKEYASMA = ? LIMIT 1"), {lost}).isValid())
        throw DbError(DbError::Kind::Other, QStringLiteral("Το σκεύασμα «%1» είναι γραμμένο σε δόσεις παιδιών και κρατά το "
                                                           "όνομά του· αλλάζουν μόνο οι σειρές του.")
                                                .arg(lost));
}

void VaccineScheduleWindow::checkVersion(const DataSet &changed, int leaving)
{
    const auto rowsOf = [&](const DataSet &part) {
        std::vector<QStringList> rows;
        for (int r = 0; r < part.recordCount(); ++r) {
            if (&part == &changed && r == leaving)
                continue;
            QStringList row;
            for (int c = 1; c < part.fieldCount(); ++c) // without PROGRAMMA
                row << displayText(part.value(r, c));
            rows.push_back(row);
        }
        return rows;
    };
    try {
        clinical::scheduleFromRows(rowsOf(m_doses), rowsOf(m_rules), rowsOf(m_products));
    } catch (const clinical::ScheduleError &error) {
        throw DbError(DbError::Kind::Other, error.text);
    }
}

// A copy of the version shown, dated today and not in force, ready for its new name.
void VaccineScheduleWindow::copyVersion()
{
    m_data.storePending();
    clinical::Schedule copy = vaccine_records::readSchedule(m_connection, version());
    copy.name = QStringLiteral("%1 (αντίγραφο)").arg(copy.name).left(200);
    copy.date = QDate::currentDate();
    const qint64 id = vaccine_records::addSchedule(m_connection, copy, false);
    m_data.refresh();
    for (int r = 0; r < m_data.recordCount(); ++r)
        if (m_data.value(r, m_data.fieldIndex(QStringLiteral("ID"))).toLongLong() == id)
            m_data.moveTo(r);
    if (auto *name = findChild<QLineEdit *>(QStringLiteral("ONOMA"))) {
        name->setFocus();
        name->selectAll();
    }
}

// The version shown, once it stands whole, becomes the one every evaluation uses.
void VaccineScheduleWindow::putInForce()
{
    m_data.storePending();
    if (inForce())
        return;
    try {
        vaccine_records::readSchedule(m_connection, version());
    } catch (const clinical::ScheduleError &error) {
        messages::error(this, error.text);
        return;
    }
    if (!messages::confirm(this, QStringLiteral("Να ισχύσει από τώρα το «%1»;").arg(m_data.value(QStringLiteral("ONOMA")).toString())))
        return;
    const qint64 id = version();
    {
        Transaction transaction(m_connection);
        // A yes/no is 0 or 1 on both engines; the server gives a comparison no number.
        m_connection.execute(QStringLiteral("UPDATE EMBOLIA_PROGRAMMATA SET SE_ISXY = CASE WHEN ID = ? THEN 1 ELSE 0 END"),
                             {id});
        transaction.commit();
    }
    const int row = m_data.currentRow();
    m_data.refresh();
    m_data.moveTo(row);
}
