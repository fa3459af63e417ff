#include "office/reminders_window.h"

#include "ui/bound_fields.h"
#include "ui/navigator_bar.h"
#include "ui/record_list.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

RemindersWindow::RemindersWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm11"), QStringLiteral("Υπενθυμίσεις"), parent)
{
    openTable(QStringLiteral("YPENTHIMISEIS"), QStringLiteral("HMEROMHNIA DESC"));

    auto *date = boundLine(QStringLiteral("HMEROMHNIA"), QStringLiteral("DBEdit1"), 109);
    auto *text = boundMemo(QStringLiteral("PERIGRAFH"), QStringLiteral("DBMemo1"));
    text->setFixedSize(469, 286);
    auto *list = new RecordList(m_data, {{QStringLiteral("HMEROMHNIA"), QStringLiteral("Ημερομηνία"), 125, Qt::AlignCenter}},
                                this);
    list->setObjectName(QStringLiteral("DBGrid1"));
    list->setFixedWidth(125 + 50);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::FullEditor, this);
    QPushButton *exit = look::exitButton(this);
    exit->setObjectName(QStringLiteral("Button1"));

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    QHBoxLayout *dateLine = look::addField(grid, 0, QStringLiteral("Ημερομηνία:"), date, QStringLiteral("*"));
    dateLine->insertWidget(2, look::note(QStringLiteral("(π.χ 28/12/2007)"), this));
    grid->addWidget(look::caption(QStringLiteral("Κείμενο:"), text, this), 1, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(text, 1, 1);
    grid->addWidget(list, 1, 2);
    grid->addLayout(look::spreadRow({navigator}, {exit}), 2, 0, 1, 3);
}
