#include "expenses/expense_ledger_window.h"

#include "ui/bound_fields.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"

#include <QGridLayout>
#include <QPushButton>

ExpenseLedgerWindow::ExpenseLedgerWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm13"), QStringLiteral("Λειτουργικά έξοδα - Επεξεργασία"), parent)
{
    openTable(QStringLiteral("EKSODA"), QStringLiteral("HMEROMHNIA DESC"));

    auto *date = boundLine(QStringLiteral("HMEROMHNIA"), QStringLiteral("DBEdit1"), 109);
    auto *amount = boundLine(QStringLiteral("POSO"), QStringLiteral("DBEdit2"), 109);
    auto *vat = boundLine(QStringLiteral("VAT"), QStringLiteral("DBEdit3"), 109);
    for (BoundLineEdit *money : {amount, vat})
        money->link()->setDecimals(2);
    auto *description = boundLine(QStringLiteral("PERIGRAFH"), QStringLiteral("DBEdit4"));
    description->setMinimumWidth(420);

    auto *list = new RecordList(m_data,
                                {{QStringLiteral("PERIGRAFH"), QStringLiteral("Περιγραφή")},
                                 {QStringLiteral("HMEROMHNIA"), QStringLiteral("Ημερομηνία"), 95, Qt::AlignCenter},
                                 {QStringLiteral("POSO"), QStringLiteral("Ποσό (EUR)"), 81, Qt::AlignRight | Qt::AlignVCenter, {}, 2},
                                 {QStringLiteral("VAT"), QStringLiteral("Φ.Π.Α (EUR)"), 81, Qt::AlignRight | Qt::AlignVCenter, {}, 2}},
                                this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setMinimumSize(620, 300);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::FullEditor, this);
    QPushButton *exit = look::exitButton(this);

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    look::addField(grid, 0, QStringLiteral("Ημερομηνία:"), date, QStringLiteral("*"));
    look::addField(grid, 1, QStringLiteral("Ποσό:"), amount, QStringLiteral("EUR *"));
    look::addField(grid, 2, QStringLiteral("Φ.Π.Α:"), vat, QStringLiteral("EUR *"));
    look::addField(grid, 3, QStringLiteral("Περιγραφή:"), description, QStringLiteral("*"));
    grid->addWidget(list, 4, 0, 1, 2);
    grid->addLayout(look::spreadRow({navigator}, {exit}), 5, 0, 1, 2);
}
