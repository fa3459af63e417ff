// Painting laid-out pages on a printer, a PDF writer or the preview.
#include "printing/report.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// A text the painter draws from the glyphs the layout measured: it was measured whole, and it
// neither begins nor ends in blanks (which the box's alignment leaves out).
bool drawnAsMeasured(const ReportPage::Item &item)
{
    const QString &text = item.text;
    if (item.shaped.first < 0 || text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return false;
    const Qt::Alignment horizontal = item.align & Qt::AlignHorizontal_Mask;
    return horizontal == Qt::AlignLeft || horizontal == Qt::AlignRight || horizontal == Qt::AlignHCenter;
}

} // namespace

bool paint(const LaidOutReport &report, QPagedPaintDevice &device, int from, int to, const ReportProgress &progress)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(report.pageSize.width() > report.pageSize.height() ? QPageLayout::Landscape
                                                                                 : QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error("The pages could not be sent to the printer or written to the file.");
    // Millimetres to the device's dots; fonts keep their points on any device.
    const double kx = device.logicalDpiX() / 25.4, ky = device.logicalDpiY() / 25.4;
    const auto toDevice = [&](const QRectF &r) { return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky); };
    const int first = from > 0 ? from : 1;
    const int last = to > 0 ? qMin(to, int(report.pages.size())) : int(report.pages.size());
    // The painter is told a font or pen only when it changes: each change is a font looked up
    // for the device again.
    int font = -1;
    double ascent = 0, descent = 0;
    QGlyphRun glyphs;
    std::vector<QPointF> positions; // of the glyphs drawn, on their baseline
    constexpr double TextPen = -1;
    std::optional<double> penWidth;
    const auto usePen = [&](double width) {
        if (penWidth != width)
            painter.setPen(width == TextPen ? QPen(Qt::black) : QPen(Qt::black, width));
        penWidth = width;
    };
    painter.setBrush(Qt::NoBrush);
    for (int p = first; p <= last; ++p) {
        if (progress && !progress(p - first, last - first + 1))
            return false;
        if (p > first)
            device.newPage();
        for (const ReportPage::Item &item : report.pages[size_t(p - 1)].items) {
            const QRectF r = toDevice(item.rect);
            switch (item.kind) {
            case ReportElement::Kind::Text:
                // Laid out with this device's fonts: the text fits; nothing is cut or elided.
                if (item.font != font) {
                    painter.setFont(report.fonts[size_t(item.font)]);
                    const QFontMetricsF metrics(painter.font(), &device);
                    ascent = metrics.ascent();
                    descent = metrics.descent();
                    glyphs.setRawFont(QRawFont::fromFont(painter.font()));
                }
                font = item.font;
                usePen(TextPen);
                if (drawnAsMeasured(item)) {
                    // Where laying the box out would put it, from what the layout measured:
                    // the line's middle at the box's, its start as the alignment says.
                    const double advance = item.shaped.width * kx;
                    double x = r.x();
                    if (item.align & Qt::AlignRight)
                        x += r.width() - advance;
                    else if (item.align & Qt::AlignHCenter)
                        x += (r.width() - advance) / 2;
                    const double baseline = r.y() + (r.height() - ascent - descent) / 2 + ascent;
                    const auto first = size_t(item.shaped.first);
                    positions.resize(size_t(item.shaped.count));
                    for (size_t i = 0; i < positions.size(); ++i)
                        positions[i] = QPointF(report.glyphs.x[first + i], 0);
                    glyphs.setRawData(&report.glyphs.indexes[first], positions.data(), item.shaped.count);
                    painter.drawGlyphRun(QPointF(x, baseline), glyphs);
                } else {
                    painter.drawText(r, int(item.align | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip), item.text);
                }
                break;
            case ReportElement::Kind::Line:
                usePen(item.width * kx);
                painter.drawLine(r.topLeft(), r.bottomRight());
                break;
            case ReportElement::Kind::Box:
                usePen(item.width * kx);
                painter.drawRect(r);
                break;
            }
        }
    }
    if (progress)
        progress(last - first + 1, last - first + 1);
    return true;
}
