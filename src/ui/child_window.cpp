#include "ui/child_window.h"

#include "ui/look.h"

#include <QGridLayout>
#include <QLabel>

void ChildWindow::hand(const ChildHandover &child)
{
    ChildID = child.ChildID;
    ChildName = child.ChildName;
    ChildSurname = child.ChildSurname;
    GuardianName = child.GuardianName;
    BirthDate = child.BirthDate;
}

void ChildWindow::showEvent(QShowEvent *event)
{
    RecordWindow::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        const QPair<const char *, QString> values[] = {
            {"ChildName", ChildName}, {"ChildSurname", ChildSurname}, {"BirthDate", BirthDate}, {"GuardianName", GuardianName}};
        for (const auto &[name, value] : values)
            if (auto *label = findChild<QLabel *>(QString::fromLatin1(name)))
                label->setText(value);
        runGuarded(this, [this] { load(); });
    }
}

ChildWindow::SexAndBirth ChildWindow::readSexAndBirth()
{
    DataSet child(m_connection);
    child.setSql(QStringLiteral("SELECT FYLO, HMEROMHNIA_GENNHSEWS FROM STOIXEIA_PAIDIOY WHERE ID=?"), {childId()});
    child.open();
    if (child.isEmpty())
        return {};
    return {who::sexFromText(child.value(QStringLiteral("FYLO")).toString()),
            child.value(QStringLiteral("HMEROMHNIA_GENNHSEWS")).toDate()};
}

QGridLayout *ChildWindow::header(bool withBirthAndGuardian)
{
    auto *grid = new QGridLayout;
    QList<QPair<QString, QString>> lines = {{QStringLiteral("Όνομα:"), QStringLiteral("ChildName")},
                                            {QStringLiteral("Επώνυμο:"), QStringLiteral("ChildSurname")}};
    if (withBirthAndGuardian)
        lines += {{QStringLiteral("Ημερ. Γεννήσεως:"), QStringLiteral("BirthDate")},
                  {QStringLiteral("Κηδεμόνας:"), QStringLiteral("GuardianName")}};
    for (int i = 0; i < lines.size(); ++i) {
        auto *value = look::note(QString(), this);
        value->setObjectName(lines[i].second);
        grid->addWidget(look::caption(lines[i].first, value, this), i, 0);
        grid->addWidget(value, i, 1);
    }
    grid->setColumnStretch(2, 1);
    return grid;
}
