#include "printing/print_run.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/global.h"
#include "printing/report_project.h"

PrintRun::PrintRun(Connection *reconnect)
{
    if (reconnect)
        m_connection.emplace(*reconnect);
}

PrintRun::~PrintRun()
{
    // The sets first; the connection closes after them, as the member goes.
    for (DataSet *set : m_sets)
        set->close();
}

PrintRun &PrintRun::query(DataSet &set, const QString &statement, bool open)
{
    return query(set, statement, {}, open);
}

PrintRun &PrintRun::query(DataSet &set, const QString &statement, const QVariantList &values, bool open)
{
    m_sets.push_back(&set);
    set.setSql(statement, values);
    if (open)
        set.open();
    return *this;
}

PrintRun &PrintRun::table(DataSet &set, const QString &table)
{
    m_sets.push_back(&set);
    set.setTableName(table);
    set.open();
    return *this;
}

PrintRun &PrintRun::parameter(const QString &name, const QString &value)
{
    m_parameters.insert(name, value);
    return *this;
}

void PrintRun::print(ReportProject &project, const QString &reportFile, QWidget *parent)
{
    project.ProjectFile = projectFileFor(reportFile);
    project.execute(parent, m_parameters);
}
