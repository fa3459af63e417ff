#include "billing/billing_windows.h"

#include "ui/captions.h"
#include "ui/bound_fields.h"
#include "data/db_error.h"
#include "data/global.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"
#include "billing/receipts.h"
#include "ui/record_list.h"
#include "data/regional.h"
#include "ui/typed_values.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReceiptNumberingWindow::ReceiptNumberingWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm9"), QStringLiteral("Καθορισμός αρίθμησης των αποδείξεων"), parent)
{
    openTable(QStringLiteral("LAST_APODEIKSH"));
    auto *last = boundLine(QStringLiteral("LAST"), QStringLiteral("DBEdit1"), 100);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this, false);
    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    look::addField(grid, 0, QStringLiteral("Έναρξη από τον αριθμό:"), last, QStringLiteral("*"));
    grid->addLayout(look::spreadRow({navigator}, {look::exitButton(this)}), 1, 0, 1, 2);
}

ReceiptIssueWindow::ReceiptIssueWindow(ReceiptPrinter &printer, QWidget *parent)
    : Window(QStringLiteral("TForm56"), QStringLiteral("Έκδοση απόδειξης"), parent), m_printer(printer)
{
    m_name = look::note(QString(), this);
    m_surname = look::note(QString(), this);
    m_number = look::note(QString(), this);
    m_number->setObjectName(QStringLiteral("Number"));
    const auto field = [this](const char *name) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(300);
        connect(edit, &QLineEdit::textChanged, this, &ReceiptIssueWindow::fieldsChanged);
        return edit;
    };
    m_amount = field("Amount");
    m_description = field("Description");
    m_recipient = field("Recipient");
    m_fund = field("Fund");
    m_issue = newDefaultButton(QStringLiteral("Κατα&χώρηση"), QStringLiteral("Button1"), Starts::Disabled);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    const std::pair<QString, QLabel *> shown[] = {{QStringLiteral("Όνομα:"), m_name},
                                                  {QStringLiteral("Επώνυμο:"), m_surname},
                                                  {QStringLiteral("Αριθμός απόδειξης:"), m_number}};
    int row = 0;
    for (const auto &[caption, value] : shown)
        look::addField(grid, row++, caption, value);
    look::addField(grid, row++, QStringLiteral("Ποσό:"), m_amount, QStringLiteral("*"));
    look::addField(grid, row++, QStringLiteral("Περιγραφή:"), m_description, QStringLiteral("*"));
    look::addField(grid, row++, QStringLiteral("Παραλήπτης:"), m_recipient, QStringLiteral("*"));
    look::addField(grid, row++, QStringLiteral("Ταμείο:"), m_fund);
    m_refusal = look::note(QString(), this);
    m_refusal->setObjectName(QStringLiteral("Refusal"));
    m_refusal->setWordWrap(true);
    grid->addWidget(m_refusal, row++, 0, 1, 2);
    grid->addLayout(look::spreadRow({}, {m_issue, exit}), row, 0, 1, 2);
    connect(m_issue, &QPushButton::clicked, this, guarded(&ReceiptIssueWindow::issue));
    // Ctrl+S stores here as in every record window.
    look::pressOnKey(m_issue, QKeySequence(Qt::CTRL | Qt::Key_S), this);
}

void ReceiptIssueWindow::showEvent(QShowEvent *event)
{
    m_name->setText(ChildName);
    m_surname->setText(ChildSurname);
    runGuarded(this, [this] {
        connectToDatabase();
        m_number->setText(displayText(m_connection.scalar(QStringLiteral("SELECT [LAST] FROM LAST_APODEIKSH"))));
    });
    Window::showEvent(event);
}

void ReceiptIssueWindow::fieldsChanged()
{
    const QString amount = m_amount->text().trimmed(), description = m_description->text().trimmed(),
                  recipient = m_recipient->text().trimmed(), fund = m_fund->text().trimmed();
    // The receipt's texts reach the file as bound values, so names and phrases such as «Ντ'Αμίκο»,
    // «Κωνσταντινόπουλος-Αναστασιάδης» or «Κατ' οίκον επίσκεψη» go in as typed; the rest of the
    // character rule still holds, and a refused character is named beside the fields.
    QString refusal;
    const std::pair<QString, QString> texts[] = {{QStringLiteral("Περιγραφή"), description},
                                                 {QStringLiteral("Παραλήπτης"), recipient},
                                                 {QStringLiteral("Ταμείο"), fund}};
    static const QString allowed = QStringLiteral("'-.,()/");
    for (const auto &[caption, text] : texts)
        if (const QChar c = refusedCharacter(text, allowed); !c.isNull()) {
            refusal = characterRefusal(c, caption, QStringLiteral("γράψτε γράμματα, αριθμούς, κενά και ' - . , ( ) /"));
            break;
        }
    m_refusal->setText(refusal);
    m_issue->setEnabled(!amount.isEmpty() && !description.isEmpty() && !recipient.isEmpty() && refusal.isEmpty());
}

void ReceiptIssueWindow::refuseAmount(const QString &message)
{
    // Only the amount was at fault: it is cleared for the next try, the other fields keep theirs.
    messages::plain(this, message);
    m_amount->clear();
    m_amount->setFocus();
}

void ReceiptIssueWindow::issue()
{
    const auto amount = typedNumber(m_amount->text().trimmed());
    if (!amount) {
        refuseAmount(QStringLiteral("Η καταχώρηση δεν έγινε"));
        return;
    }
    if (*amount * ReceiptAmountFactor <= 0) {
        refuseAmount(QStringLiteral("Μη αποδεκτή τιμή"));
        return;
    }
    const QString shownNumber = m_number->text().trimmed();
    int number = 0;
    try {
        number = recordReceipt(m_connection, {ChildID, ChildName, ChildSurname, *amount, m_description->text().trimmed(),
                                              m_recipient->text().trimmed(), m_fund->text().trimmed()});
    } catch (const DbError &error) {
        // What was typed stays, to be issued again once the cause is gone.
        messages::plain(this, QStringLiteral("Η καταχώρηση δεν έγινε\n") + messages::reason(error));
        return;
    }
    m_connection.close();
    m_number->setText(QString::number(number));
    if (QString::number(number) != shownNumber) // another copy of the program issued one meanwhile
        messages::plain(this, QStringLiteral("Η απόδειξη καταχωρήθηκε με τον αριθμό %1· ο αριθμός %2 δόθηκε στο "
                                             "μεταξύ σε άλλη απόδειξη.")
                                  .arg(number)
                                  .arg(shownNumber));
    try {
        m_printer.PrintReceipt(number, this);
    } catch (const DbError &error) {
        // The receipt stands recorded; only the paper is missing.
        messages::plain(this, QStringLiteral("Η απόδειξη με αριθμό %1 καταχωρήθηκε αλλά δεν εκτυπώθηκε:\n%2\n"
                                             "Μπορείτε να την εκτυπώσετε από τις «Αποδείξεις που εκδόθηκαν».")
                                  .arg(number)
                                  .arg(error.text()));
    }
    close();
}

namespace {

bool isValidReceipt(const QVariant &valid)
{
    return displayText(valid) != QLatin1String("False");
}

} // namespace

ReceiptRegisterWindow::ReceiptRegisterWindow(ReceiptPrinter &printer, QWidget *parent)
    : RecordWindow(QStringLiteral("TForm71"), QStringLiteral("Αποδείξεις που εκδόθηκαν"), parent), m_printer(printer)
{
    // A cancelled receipt reads «Όχι» in red, and says so when pointed at.
    const auto validity = [](const QVariant &value, int role) -> QVariant {
        const bool valid = isValidReceipt(value);
        if (role == Qt::ForegroundRole)
            return valid ? QVariant() : QVariant(QColor(Qt::red));
        if (role == Qt::ToolTipRole)
            return valid ? QVariant() : QVariant(QStringLiteral("Ακυρωμένη απόδειξη"));
        return valid ? QStringLiteral("Ναι") : QStringLiteral("Όχι");
    };
    auto *list = new RecordList(m_data,
                                {{"AR_APODEIKSHS", "Αριθμός απόδειξης", 0, Qt::AlignCenter},
                                 {"HMEROMHNIA", "Ημερομηνία", 0, Qt::AlignCenter},
                                 {"ONOMA_PAIDIOY", "Όνομα παιδιού"}, // short names: as wide as its title
                                 {"EPWNYMO_PAIDIOY", "Επώνυμο παιδιού", 130},
                                 {"PARALHPTHS", "Παραλήπτης", 150},
                                 {"PERIGRAFH", "Περιγραφή", 190},
                                 {"POSO_CY", "Ποσό (EUR)", 0, Qt::AlignRight | Qt::AlignVCenter},
                                 {"TAMEIO", "Ταμείο", 90},
                                 {"EGKYRH", "Έγκυρη", 0, Qt::AlignCenter, validity}},
                                this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setDeleteAllowed(false);
    list->setTabStop(); // nothing is typed here: the arrows move through the receipts
    list->setMinimumHeight(300);
    list->fitWidthToColumns();
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("CountLine"));
    QGroupBox *sortBox = look::radioGroup(QStringLiteral("Ταξινόμηση με βάση"), {"Ημερομηνία", "Αριθμό απόδειξης", "Έγκυρη"},
                                          Qt::Horizontal, m_sort, this);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Browser, this);
    m_print = new QPushButton(QStringLiteral("Εκτύ&πωση απόδειξης"), this);
    m_print->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("Α&κύρωση απόδειξης"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    QPushButton *exit = look::exitButton(this);
    m_cancelled = look::note(QString(), this);
    m_cancelled->setObjectName(QStringLiteral("Cancelled"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list, 1);
    layout->addLayout(look::spreadRow({m_count, navigator}, {sortBox}));
    layout->addLayout(look::spreadRow({m_cancelled}, {m_print, m_cancel, exit}));

    connect(&m_data, &DataSet::currentChanged, this, &ReceiptRegisterWindow::applyButtonRule);
    connect(m_sort, &QButtonGroup::idClicked, this, guarded([this](int id) {
                static const char *columns[] = {"HMEROMHNIA ASC", "AR_APODEIKSHS ASC", "EGKYRH ASC"};
                m_data.setSort(QString::fromLatin1(columns[id]));
                applyButtonRule();
            }));
    connect(m_print, &QPushButton::clicked, this, guarded(&ReceiptRegisterWindow::printCurrent));
    connect(m_cancel, &QPushButton::clicked, this, guarded(&ReceiptRegisterWindow::cancelCurrent));
    load();
    m_count->setText(QStringLiteral("Βρέθηκαν %1 αποδείξεις").arg(m_data.recordCount()));
    m_sort->button(0)->setChecked(true);
    m_print->setEnabled(!m_data.isEmpty());
    m_cancel->setEnabled(!m_data.isEmpty());
    applyButtonRule();
}

void ReceiptRegisterWindow::load()
{
    openQuery(QStringLiteral("SELECT AR_APODEIKSHS, HMEROMHNIA, ONOMA_PAIDIOY, EPWNYMO_PAIDIOY, PARALHPTHS, "
                             "Format(POSO,'0.00') AS POSO, TAMEIO, Format(POSO_CY,'0.00') AS POSO_CY, PERIGRAFH, EGKYRH "
                             "FROM APODEIKSEIS ORDER BY HMEROMHNIA"),
              QStringLiteral("HMEROMHNIA ASC"));
}

void ReceiptRegisterWindow::applyButtonRule()
{
    if (m_data.isEmpty() || m_data.currentRow() < 0)
        return; // with no rows the buttons keep their state
    const bool valid = isValidReceipt(m_data.value(QStringLiteral("EGKYRH")));
    m_print->setEnabled(valid);
    m_cancel->setEnabled(valid);
    // Why both buttons wait.
    m_cancelled->setText(valid ? QString()
                               : QStringLiteral("Η απόδειξη %1 έχει ακυρωθεί: δεν εκτυπώνεται ούτε ακυρώνεται ξανά.")
                                     .arg(displayText(m_data.value(QStringLiteral("AR_APODEIKSHS")))));
}

void ReceiptRegisterWindow::printCurrent()
{
    m_printer.PrintReceipt(m_data.value(QStringLiteral("AR_APODEIKSHS")).toInt(), this);
}

void ReceiptRegisterWindow::cancelCurrent()
{
    const int n = m_data.value(QStringLiteral("AR_APODEIKSHS")).toInt();
    if (!messages::confirm(this, QStringLiteral("Να ακυρώσω την απόδειξη με αριθμό\n%1;").arg(n)))
        return;
    {
        // Both changes or neither: a receipt is never left valid without its payment.
        Transaction transaction(m_connection);
        Command command(m_connection);
        command.setText(QStringLiteral("DELETE FROM EISPRAKSH_PELATH WHERE AR_APODEIKSHS=") + QString::number(n));
        command.execute();
        command.setText(QStringLiteral("UPDATE APODEIKSEIS SET EGKYRH=FALSE WHERE AR_APODEIKSHS=") + QString::number(n));
        command.execute();
        transaction.commit();
    }
    m_connection.close();
    openQuery(m_data.sql()); // back in the statement's date order
    applyButtonRule();
}

ChildIncomeWindow::ChildIncomeWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("TForm57"), QStringLiteral("Εισπράξεις από τον συγκεκριμένο ασθενή"), parent)
{
    auto *list = new RecordList(m_data,
                                {{"AR_APODEIKSHS", "Αριθμός απόδειξης", 0, Qt::AlignCenter},
                                 {"HMEROMHNIA", "Ημερομηνία απόδειξης", 0, Qt::AlignCenter},
                                 {"PERIGRAFH", "Περιγραφή", 250},
                                 {"TAMEIO", "Ταμείο", 120},
                                 {"POSO_CY", "Ποσό (EUR)", 0, Qt::AlignRight | Qt::AlignVCenter}},
                                this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setDeleteAllowed(false);
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    list->setMinimumHeight(220);
    list->fitWidthToColumns();
    m_count = look::note(QString(), this);
    m_count->setObjectName(QStringLiteral("Count"));
    m_total = look::note(QString(), this);
    m_total->setObjectName(QStringLiteral("Total"));
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(false));
    layout->addWidget(list);
    layout->addWidget(new NavigatorBar(m_data, NavigatorBar::Browser, this), 0, Qt::AlignLeft);
    auto *sums = new QGridLayout;
    look::addField(sums, 0, QStringLiteral("Συνολικός αριθμός αποδείξεων:"), m_count);
    look::addField(sums, 1, QStringLiteral("Συνολικές εισπράξεις (EUR):"), m_total);
    layout->addLayout(sums);
    layout->addLayout(look::spreadRow({}, {look::exitButton(this)}));
}

void ChildIncomeWindow::load()
{
    openQuery(QStringLiteral("SELECT AR_APODEIKSHS, HMEROMHNIA, Format(POSO,'0.00') as POSO, PERIGRAFH, TAMEIO, "
                             "Format(POSO_CY,'0.00') as POSO_CY, ID FROM EISPRAKSH_PELATH WHERE ID=? ORDER BY "
                             "HMEROMHNIA ASC"),
              QVariantList{childId()});
    DataSet totals(m_connection);
    totals.setSql(QStringLiteral("SELECT COUNT(*) AS SYNOLO,Format(SUM(POSO_CY),'0.00') as EISPRAKSH, "
                                 "Format(SUM(POSO_CY),'0.00') as EISPRAKSHCY FROM EISPRAKSH_PELATH WHERE ID=?"),
                  {childId()});
    totals.open();
    m_count->setText(displayText(totals.value(QStringLiteral("SYNOLO"))));
    const QString total = displayText(totals.value(QStringLiteral("EISPRAKSH")));
    m_total->setText(amountOrNought(total));
}

IncomeBetweenDatesWindow::IncomeBetweenDatesWindow(QWidget *parent)
    : Window(QStringLiteral("TForm59"), QStringLiteral("Εισπράξεις σε διάστημα δυο ημερομηνιών"), parent)
{
    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    m_dates.emplace(grid, 0, QStringLiteral("Edit1"), QStringLiteral("Edit2"), this);
    m_dates->showExamples();
    m_search = newDefaultButton(captions::FindBetweenDates, QStringLiteral("Button1"), Starts::Enabled);
    m_total = look::note(QString(), this);
    m_total->setObjectName(QStringLiteral("Total"));
    look::addField(grid, 2, QStringLiteral("Έσοδα (EUR):"), m_total);
    m_refusal = look::note(QString(), this);
    m_refusal->setObjectName(QStringLiteral("Refusal"));
    m_refusal->setWordWrap(true);
    grid->addWidget(m_refusal, 3, 0, 1, 2);
    grid->addLayout(look::spreadRow({}, {m_search, look::exitButton(this)}), 4, 0, 1, 2);
    m_dates->enable(m_search, m_refusal);
    connect(m_search, &QPushButton::clicked, this, guarded(&IncomeBetweenDatesWindow::search));
}

void IncomeBetweenDatesWindow::search()
{
    const auto dates = m_dates->dates();
    if (!dates) {
        messages::plain(this, QStringLiteral("Λανθασμένα κριτήρια."));
        return;
    }
    try {
        const ScopedConnection connection(m_connection);
        DataSet income(m_connection);
        income.setSql(QStringLiteral("SELECT Format(sum(POSO_CY),'0.00') AS POSO, Format(sum(POSO_CY),'0.00') AS "
                                     "POSO_CY FROM APODEIKSEIS WHERE HMEROMHNIA BETWEEN ? AND ? AND EGKYRH=TRUE"),
                      {dates->first, dates->last});
        income.open();
        m_total->setText(amountOrNought(displayText(income.value(QStringLiteral("POSO")))));
    } catch (const DbError &) {
        messages::plain(this, QStringLiteral("Λανθασμένα κριτήρια."));
    }
}

LetterheadWindow::LetterheadWindow(ReceiptPrinter &printer, QWidget *parent)
    : RecordWindow(QStringLiteral("TForm73"),
                   QStringLiteral("Διαμόρφωση των στοιχείων που θα εμφανίζονται στις αποδείξεις και άλλα έντυπα"), parent),
      m_printer(printer)
{
    openTable(QStringLiteral("INFORMATION"));
    struct Line {
        const char *caption;
        const char *column;
        int width;
        const char *unnamed = ""; // what a screen reader calls a line without a caption
    };
    const Line lines[] = {{"Τίτλος:", "TITLE", 425},
                          {"Διεύθυνση:", "ADDRESS1", 265},
                          {"", "ADDRESS2", 265, "Διεύθυνση, δεύτερη γραμμή"},
                          {"Τηλέφωνο:", "PHONE", 204},
                          {"Fax:", "FAX", 204},
                          {"Website:", "WEBSITE", 265},
                          {"Email:", "EMAIL", 265},
                          {"Α.Φ.Μ:", "AFM", 204},
                          {"", "EXTRA1", 425, "Πρόσθετη γραμμή 1"},
                          {"", "EXTRA2", 425, "Πρόσθετη γραμμή 2"},
                          {"", "EXTRA3", 425, "Πρόσθετη γραμμή 3"},
                          {"", "EXTRA4", 425, "Πρόσθετη γραμμή 4"},
                          {"", "EXTRA5", 425, "Πρόσθετη γραμμή 5"},
                          {"", "EXTRA6", 425, "Πρόσθετη γραμμή 6"},
                          {"", "EXTRA7", 425, "Πρόσθετη γραμμή 7"}};
    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    int row = 0;
    for (const Line &line : lines) {
        auto *field = boundLine(QString::fromLatin1(line.column), {}, line.width);
        const QString caption = QString::fromUtf8(line.caption);
        if (caption.isEmpty())
            field->setAccessibleName(QString::fromUtf8(line.unnamed));
        const QString marker = row == 0 ? QStringLiteral("*") : QString(); // the title is required
        look::addField(grid, row++, caption, field, marker);
    }
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this);
    auto *preview = new QPushButton(QStringLiteral("Προε&πισκόπιση"), this);
    preview->setObjectName(QStringLiteral("Button1"));
    grid->addLayout(look::spreadRow({navigator}, {preview, look::exitButton(this)}), row, 0, 1, 2);
    connect(preview, &QPushButton::clicked, this, guarded(&LetterheadWindow::preview));
}

void LetterheadWindow::preview()
{
    openTable(QStringLiteral("INFORMATION")); // drops what was not stored
    m_printer.PrintReceipt(0, this);
}
