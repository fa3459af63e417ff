// Painting laid-out pages on a printer, a PDF writer or the preview.
#include "printing/report.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <optional>
#include <stdexcept>

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
                if (item.font != font)
                    painter.setFont(report.fonts[size_t(item.font)]);
                font = item.font;
                usePen(TextPen);
                painter.drawText(r, int(item.align | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip), item.text);
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
