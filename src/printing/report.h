#pragma once

#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// A report definition (.RAV): our own plain XML of bands holding texts, lines and boxes,
// measured in millimetres. See resources/reports/README.md for the format.
struct ReportElement {
    enum class Kind { Text, Line, Box };
    Kind kind = Kind::Text;
    QRectF rect;                  // mm, inside the band
    QString text;                 // with {FIELD}, {CONNECTION.FIELD}, {PAGE}, {PAGES}, {DATE}, {COUNT}
    double size = 9;              // points
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft;
    bool grow = false;            // wraps and flows onto the next pages
    double width = 0.3;           // line or frame width, mm
};

struct ReportBand {
    double height = 0; // mm
    std::vector<ReportElement> elements;
    QString connection;    // detail band: one band per row of this connection
    bool breakAfter = false;
};

struct ReportDefinition {
    QString title;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double margin = 15; // mm
    QString fontFamily = QStringLiteral("DejaVu Sans");
    ReportBand reportTitle, pageHeader, columnHeader, detail, summary, pageFooter;

    // Reads a definition; throws std::runtime_error with the reason when it cannot.
    static ReportDefinition load(const QString &path);
};

// One laid-out page: what to draw where, in millimetres from the page's top left.
struct ReportPage {
    struct Item {
        ReportElement::Kind kind;
        QRectF rect;
        QString text;
        QFont font;
        Qt::Alignment align;
        double width;
    };
    std::vector<Item> items;
};

struct LaidOutReport {
    QSizeF pageSize; // mm
    std::vector<ReportPage> pages;
};

// Lays the report out over the rows of its named connections. `progress` is told the rows
// done and the rows in all, and may return false to cancel (the result is then empty).
LaidOutReport layOut(const ReportDefinition &definition, const std::function<bool(int, int)> &progress = {});

// Paints pages `from`..`to` (1-based, 0 for all) on a printer, a PDF writer or a preview.
void paint(const LaidOutReport &report, QPagedPaintDevice &device, int from = 0, int to = 0);
