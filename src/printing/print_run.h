#pragma once

#include "ui/window.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

class Connection;
class DataSet;
class QWidget;
class ReportProject;

// One print action of a window: its connection opened afresh (when given), its named sets
// filled, the report run, and everything opened here closed again, also when printing throws.
//
//     PrintRun run(&m_connection);
//     run.query(m_query, statement);
//     run.print(m_project, QStringLiteral("DIAITES.RAV"), this);
class PrintRun {
public:
    explicit PrintRun(Connection *reconnect = nullptr);
    ~PrintRun();
    PrintRun(const PrintRun &) = delete;
    PrintRun &operator=(const PrintRun &) = delete;

    // Sets the statement and opens the set; with `open` false the report opens it itself.
    PrintRun &query(DataSet &set, const QString &statement, bool open = true);
    // The same with values for the statement's `?` marks.
    PrintRun &query(DataSet &set, const QString &statement, const QVariantList &values, bool open = true);
    PrintRun &table(DataSet &set, const QString &table);
    // A value the report prints as {NAME}.
    PrintRun &parameter(const QString &name, const QString &value);

    // Runs the report file from the practice folder with `project`, which keeps it loaded.
    void print(ReportProject &project, const QString &reportFile, QWidget *parent);

private:
    std::optional<ScopedConnection> m_connection;
    std::vector<DataSet *> m_sets;
    QHash<QString, QString> m_parameters;
};
