// Painting laid-out pages on a printer, a PDF writer or the preview.
#include "printing/report.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

// A text the painter may take as one run: the layout measured it whole, and it neither begins
// nor ends in blanks (which the box's alignment leaves out) nor needs a letter from another font.
bool drawnAsMeasured(const ReportPage::Item &item)
{
    const QString &text = item.text;
    if (item.advance < 0 || text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return false;
    const Qt::Alignment horizontal = item.align & Qt::AlignHorizontal_Mask;
    if (horizontal != Qt::AlignLeft && horizontal != Qt::AlignRight && horizontal != Qt::AlignHCenter)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x400; });
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
    std::optional<QFontMetricsF> metrics;
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
                    metrics.emplace(painter.font(), &device);
                }
                font = item.font;
                usePen(TextPen);
                if (drawnAsMeasured(item)) {
                    // Where laying the box out would put it, from what the layout measured:
                    // the line's middle at the box's, its start as the alignment says.
                    const double advance = item.advance * kx;
                    double x = r.x();
                    if (item.align & Qt::AlignRight)
                        x += r.width() - advance;
                    else if (item.align & Qt::AlignHCenter)
                        x += (r.width() - advance) / 2;
                    const double baseline = r.y() + (r.height() - metrics->ascent() - metrics->descent()) / 2 + metrics->ascent();
                    painter.drawText(QPointF(x, baseline), item.text);
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
