#pragma once

#include <QFont>
#include <QHash>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;

// A report definition (.RAV): our own plain XML of bands holding texts, lines and boxes,
// measured in millimetres. See resources/reports/README.md for the format.
// Read in report_reader.cpp, laid out in report_layout.cpp, painted in report_paint.cpp.
struct ReportElement {
    enum class Kind { Text, Line, Box };
    enum class Fit { Shrink, Wrap };
    // A text wider than its box: Shrink lowers the font down to MinimumSize, then wraps; Wrap
    // wraps inside the box and the band grows.
    static constexpr double MinimumSize = 6; // points

    Kind kind = Kind::Text;
    QRectF rect;                  // mm, inside the band
    QString text;                 // with {FIELD}, {CONNECTION.FIELD}, {PAGE}, {PAGES}, {DATE}, {COUNT}
    double size = 9;              // points
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft;
    bool grow = false;            // wraps and flows onto the next pages
    Fit fit = Fit::Shrink;
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
    ReportBand reportTitle, pageHeader, columnHeader, detail, pageFooter;
    // After the rows, in order; one that names a connection is printed once per row of it
    // (the totals, then the VAT of each rate).
    std::vector<ReportBand> summaries;

    // Reads a definition; throws std::runtime_error naming the file and the element when it
    // cannot, when a measure could not be printed (absurd sizes, a band taller than a page), or
    // when an element or attribute is not one the format knows.
    static ReportDefinition load(const QString &path);

    QSizeF pageSize() const; // mm
};

// A text as the layout measured it on one line: its width, and where the glyphs it was measured
// with lie in LaidOutReport::glyphs, so that the painter draws them rather than shaping the text
// again. `first` is -1 where there are no glyphs to draw (a text in more than one font).
struct ShapedText {
    double width = -1; // mm; -1 where the text was not measured whole
    qsizetype first = -1;
    int count = 0;
};

// The glyphs of the measured texts, each text's in its device font, side by side.
struct ShapedGlyphs {
    std::vector<quint32> indexes;
    std::vector<float> x; // from the text's start, in the device's dots (whole 64ths: exact as float)
};

// One laid-out page: what to draw where, in millimetres from the page's top left.
struct ReportPage {
    struct Item {
        ReportElement::Kind kind;
        QRectF rect;
        QString text;
        int font; // in LaidOutReport::fonts; -1 for lines and boxes
        Qt::Alignment align;
        double width;
        ShapedText shaped = {};
    };
    std::vector<Item> items;
};

struct LaidOutReport {
    QSizeF pageSize; // mm
    std::vector<ReportPage> pages;
    // Each font the texts are in, once: a page holds thousands of texts in a few fonts.
    std::vector<QFont> fonts;
    ShapedGlyphs glyphs;
};

// Told the work done and the work in all; returns false to cancel.
using ReportProgress = std::function<bool(int done, int all)>;

// Lays the report out over the rows of its named connections, measuring texts with the fonts
// of `device`, the device the pages will be painted on. `parameters` fill {NAME} placeholders
// the window hands over (such as the period of a list). `progress` is told the rows; on
// cancel the result is empty.
LaidOutReport layOut(const ReportDefinition &definition, const QPaintDevice &device,
                     const QHash<QString, QString> &parameters = {}, const ReportProgress &progress = {});

// Paints pages `from`..`to` (1-based, 0 for all) on a printer, a PDF writer or a preview.
// `progress` is told the pages; false on cancel.
bool paint(const LaidOutReport &report, QPagedPaintDevice &device, int from = 0, int to = 0,
           const ReportProgress &progress = {});
