#pragma once

#include "data/dataset.h"
#include "printing/report_project.h"

#include "ui/window.h"
#include <map>

// TForm22: prints the details, history, health card or vaccinations of the selected child or
// of every child of the register's search, and the list of the children found. Lives for the
// whole run; the register writes the three fields before each showing.
class ChildPrintoutsWindow : public Window {
    Q_OBJECT
public:
    explicit ChildPrintoutsWindow(QWidget *parent = nullptr);

    QString ChildID;
    QString WhereText;
    QString SelectText;

    enum class Printout { Details, History, HealthCard, Vaccinations };
    void printAll(Printout printout);
    void printSelected(Printout printout);
    void printList();

    // The statement a printout runs, before the WhereText or the child's ID that ends it.
    static QString statement(Printout printout, bool selected);

private:
    void print(const QString &statement, const QString &reportFile, const QVariantList &values = {});

    DataSet m_query{m_connection, this};
    std::map<QString, ReportProject> m_projects; // one per report file, loaded once
};
