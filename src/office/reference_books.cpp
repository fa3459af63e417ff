#include "office/reference_books.h"

#include "ui/bound_fields.h"
#include "printing/data_connections.h"
#include "data/global.h"
#include "ui/navigator_bar.h"
#include "printing/print_run.h"
#include "ui/record_list.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

const PrintChoiceWindow::Book PrintChoiceWindow::Diets{"TForm5", "DIAITES", "DIAITES.RAV", "RvDataSetConnection1",
                                                       "RvDataSetConnection180INFODIAITES"};
const PrintChoiceWindow::Book PrintChoiceWindow::Notes{"TForm7", "SHMEIWSEIS", "NOTES.RAV", "RvDataSetConnection2",
                                                       "RvDataSetConnection181INFONOTES"};

PrintChoiceWindow::PrintChoiceWindow(const Book &book, QWidget *parent)
    : Window(book.objectName, QStringLiteral("Εκτύπωση"), parent), m_book(book)
{
    data_connections::add(book.connectionName, m_query, this);
    data_connections::add(book.letterheadConnectionName, m_letterhead, this);
    auto *all = new QPushButton(QStringLiteral("Εκτύπωση όλων"), this);
    all->setObjectName(QStringLiteral("Button1"));
    auto *selected = new QPushButton(QStringLiteral("Εκτύπωση του επιλεγμένου"), this);
    selected->setObjectName(QStringLiteral("Button2"));
    QPushButton *exit = look::exitButton(this);
    exit->setText(QStringLiteral("Έξοδος"));
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QPushButton *button : {all, selected, exit}) {
        button->setMinimumWidth(260);
        layout->addWidget(button);
    }
    connect(all, &QPushButton::clicked, this, guarded(&PrintChoiceWindow::printAll));
    connect(selected, &QPushButton::clicked, this, guarded(&PrintChoiceWindow::printSelected));
}

void PrintChoiceWindow::printAll()
{
    print(QStringLiteral("SELECT TITLOS,PERIGRAFH FROM %1 ORDER BY TITLOS ASC").arg(m_book.table));
}

void PrintChoiceWindow::printSelected()
{
    print(QStringLiteral("SELECT TITLOS,PERIGRAFH FROM %1 WHERE ID=").arg(m_book.table) + SelectedID);
}

void PrintChoiceWindow::print(const QString &statement)
{
    PrintRun run(&m_connection);
    run.query(m_query, statement);
    run.table(m_letterhead, QStringLiteral("INFORMATION"));
    run.print(m_project, m_book.reportFile, this);
}

const NoteBookWindow::Book NoteBookWindow::Diets{"TForm1", "Δίαιτες", "DIAITES", "Δίαιτα:", "Δίαιτες"};
const NoteBookWindow::Book NoteBookWindow::Notes{"TForm6", "Βιβλίο σημειώσεων", "SHMEIWSEIS", "Τίτλος:", "Τίτλος"};

NoteBookWindow::NoteBookWindow(const Book &book, PrintChoiceWindow &printChoice, QWidget *parent)
    : RecordWindow(book.objectName, book.title, parent), m_printChoice(printChoice)
{
    openTable(book.table, QStringLiteral("TITLOS ASC"));
    auto *title = boundLine(QStringLiteral("TITLOS"), QStringLiteral("DBEdit1"), 277);
    auto *text = boundMemo(QStringLiteral("PERIGRAFH"), QStringLiteral("DBMemo1"));
    text->setFixedSize(413, 313);
    m_id = new BoundLabel(m_data, QStringLiteral("ID"), this);
    m_id->setObjectName(QStringLiteral("DBText1"));
    m_id->hide(); // carries the current entry's identifier for printing
    auto *list = new RecordList(m_data, {{QStringLiteral("TITLOS"), book.listTitle, 250}}, this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::FullEditor, this);
    m_print = new QPushButton(QStringLiteral("Εκτύ&πωση"), this);
    m_print->setObjectName(QStringLiteral("Button2"));
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    look::addField(grid, 0, book.titleCaption, title, QStringLiteral("*"));
    grid->addWidget(look::caption(QStringLiteral("Περιγραφή:"), text, this), 1, 0, Qt::AlignRight | Qt::AlignTop);
    auto *textLine = new QHBoxLayout;
    textLine->addWidget(text);
    textLine->addWidget(look::requiredMarker(this), 0, Qt::AlignTop);
    grid->addLayout(textLine, 1, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(list, 1);
    right->addWidget(navigator);
    right->addLayout(look::spreadRow({m_print}, {exit}));
    grid->addLayout(right, 0, 2, 2, 1);

    connect(navigator, &NavigatorBar::actionDone, this, &NoteBookWindow::checkPrintButton);
    connect(m_print, &QPushButton::clicked, this, guarded(&NoteBookWindow::print));
    checkPrintButton();
}

void NoteBookWindow::checkPrintButton()
{
    m_print->setEnabled(m_data.recordCount() > 0);
}

void NoteBookWindow::print()
{
    // An entry being written is stored first, so that its identifier exists to print by.
    m_data.storePending();
    if (m_data.isEmpty())
        return;
    m_printChoice.SelectedID = m_id->text().trimmed();
    m_printChoice.exec();
}

const ContactBookWindow::Book ContactBookWindow::Phones{
    "TForm10",
    "Χρήσιμα τηλέφωνα",
    "XRHSIMA_THLEFWNA",
    "ONOMATEPWNYMO ASC",
    {{"Όνοματεπώνυμο:", "ONOMATEPWNYMO", 186, true, "Ονοματεπώνυμο", 170, false},
     {"Διεύθυνση:", "DIEYTHYNSH", 186, true, "Διεύθυνση", 190, false},
     {"Τηλέφωνο 1:", "THLEFWNO_1", 85, true, "Τηλέφωνο 1", 85, true},
     {"Τηλέφωνο 2:", "THLEFWNO_2", 85, false, "Τηλέφωνο 2", 85, true},
     {"Fax:", "FAX", 85, false, "Fax", 85, true},
     {"Email:", "EMAIL", 146, false, "Email", 160, false},
     {"Περιγραφή:", "PERIGRAFH", 186, false, "Περιγραφή", 170, false}},
};

const ContactBookWindow::Book ContactBookWindow::Doctors{
    "TForm2",
    "Ιατροί άλλων ειδικοτήτων",
    "GIATROI_ALLWN_EIDIKOTHTWN",
    "EPWNYMO ASC",
    {{"Όνομα:", "ONOMA", 146, true, "Όνομα", 0, false},
     {"Επώνυμο:", "EPWNYMO", 146, true, "Επώνυμο", 0, false},
     {"Διεύθυνση:", "DIEYTHYNSH", 250, false, "Διεύθυνση", 220, false},
     {"Τηλέφωνο 1:", "THLEFWNO_1", 85, true, "Τηλέφωνο 1", 85, false},
     {"Τηλέφωνο 2:", "THLEFWNO_2", 85, false, "Τηλέφωνο 2", 85, false},
     {"Ειδικότητα:", "EIDIKOTHTA", 146, true, "Ειδικότητα", 200, false}},
};

ContactBookWindow::ContactBookWindow(const Book &book, QWidget *parent)
    : RecordWindow(book.objectName, book.title, parent)
{
    openTable(book.table, book.sort);
    auto *fields = new QGridLayout;
    std::vector<ListColumn> columns;
    int row = 0;
    for (const Field &f : book.fields) {
        auto *edit = boundLine(f.column, {}, f.width);
        look::addField(fields, row++, f.caption, edit, f.required ? QStringLiteral("*") : QString());
        columns.push_back({f.column, f.listTitle, f.listWidth, f.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter});
    }
    auto *list = new RecordList(m_data, columns, this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive); // columns resized by dragging
    list->setMinimumHeight(220);
    list->fitWidthToColumns();
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::FullEditor, this);
    QPushButton *exit = look::exitButton(this);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addWidget(navigator, 0, Qt::AlignLeft);
    layout->addWidget(list);
    layout->addWidget(exit, 0, Qt::AlignRight);
}
