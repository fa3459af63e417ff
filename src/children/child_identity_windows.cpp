#include "children/child_identity_windows.h"

#include "children/child_fields.h"
#include "ui/navigator_bar.h"

#include <QGridLayout>
#include <QPushButton>

namespace {

// The fields above, the record bar and the exit button below.
NavigatorBar *layOut(RecordWindow *window, NavigatorBar::Actions actions)
{
    auto *grid = new QGridLayout(window);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    addChildFields(window->data(), grid);
    auto *navigator = new NavigatorBar(window->data(), actions, window);
    grid->addLayout(look::spreadRow({navigator}, {look::exitButton(window)}), grid->rowCount(), 0, 1, 2);
    return navigator;
}

} // namespace

ChildRegistrationWindow::ChildRegistrationWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("TForm16"), QStringLiteral("Καταχώρηση νέου παιδιού"), parent)
{
    openTableForAppend(QStringLiteral("STOIXEIA_PAIDIOY")); // the existing children are never loaded here
    layOut(this, NavigatorBar::Insert | NavigatorBar::Post);
    m_data.append();
    findChild<QWidget *>(QStringLiteral("ONOMA"))->setFocus();
}

ChildDetailsWindow::ChildDetailsWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("TForm19"), QStringLiteral("Στοιχεία του παιδιού"), parent)
{
    NavigatorBar *navigator = layOut(this, NavigatorBar::Post);
    // After every press of the record bar the row is ready for the next correction.
    connect(navigator, &NavigatorBar::actionDone, this, guarded([this] { m_data.edit(); }));
}

void ChildDetailsWindow::load()
{
    openQuery(QStringLiteral("SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,"
                             "ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,") +
                  QStringLiteral("THLEFWNO_2,ORFANOS_APO,GONEIS_DIAZEYGMENOI_DIASTASH,HLIKIA_PATERA,HLIKIA_MHTERA,"
                                 "HLIKIA_KHDEMONA,ERGASIA_PATERA,ERGASIA_MHTERAS,ERGASIA_KHDEMONA FROM STOIXEIA_PAIDIOY "
                                 "WHERE ID=?"),
              QVariantList{childId()});
    if (!m_data.isEmpty())
        m_data.edit();
}
