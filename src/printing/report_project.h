#pragma once

#include "printing/report.h"

#include <QString>
#include <functional>
#include <optional>

class QPainter;
class QRectF;
class QWidget;

// `AppDirectory` + separator + the file's name, ".rav" added to a name without ".".
QString projectFileFor(const QString &fileName);

// One report file of a printing window. The file is read at the first execution and kept
// for the life of the project: a file replaced on disk prints in its old form until the
// program starts again.
class ReportProject {
public:
    QString ProjectFile;

    // Asks for the output (preview, printer or PDF file), lays the pages out with a status
    // window, then shows, prints or writes them. A missing file raises the program's message.
    // `parameters` fill the report's {NAME} placeholders (such as the period of a list).
    void execute(QWidget *parent = nullptr, const QHash<QString, QString> &parameters = {});

    // For tests only: every execution writes this PDF file at once, without any window.
    static void setNonInteractiveOutput(const QString &pdfPath);

private:
    const ReportDefinition &definition();

    std::optional<ReportDefinition> m_definition;
};

// One A4 page that `paintPage` draws itself (a chart) into the printable area, through the same
// Output Options as the reports: preview, printer or PDF file.
void printDrawnPage(const QString &title, QWidget *parent,
                    const std::function<void(QPainter &, const QRectF &)> &paintPage);
