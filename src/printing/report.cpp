#include "report.h"

#include "data_connections.h"
#include "dataset.h"
#include "regional.h"

#include <QDate>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <stdexcept>

namespace {

double number(const QXmlStreamAttributes &a, const char *name, double fallback = 0)
{
    const QString text = a.value(QLatin1String(name)).toString();
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : fallback;
}

Qt::Alignment alignment(const QString &text)
{
    if (text == QLatin1String("right"))
        return Qt::AlignRight;
    if (text == QLatin1String("center"))
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

ReportBand readBand(QXmlStreamReader &xml)
{
    ReportBand band;
    const auto a = xml.attributes();
    band.height = number(a, "height");
    band.connection = a.value(QLatin1String("connection")).toString();
    band.breakAfter = a.value(QLatin1String("break-after")) == QLatin1String("true");
    while (xml.readNextStartElement()) {
        ReportElement e;
        const auto ea = xml.attributes();
        const QStringView name = xml.name();
        if (name == QLatin1String("text")) {
            e.kind = ReportElement::Kind::Text;
            e.rect = QRectF(number(ea, "x"), number(ea, "y"), number(ea, "w", 20), number(ea, "h", 5));
            e.size = number(ea, "size", 9);
            e.bold = ea.value(QLatin1String("bold")) == QLatin1String("true");
            e.align = alignment(ea.value(QLatin1String("align")).toString());
            e.grow = ea.value(QLatin1String("grow")) == QLatin1String("true");
            e.text = xml.readElementText();
        } else if (name == QLatin1String("line")) {
            e.kind = ReportElement::Kind::Line;
            e.rect = QRectF(QPointF(number(ea, "x1"), number(ea, "y1")), QPointF(number(ea, "x2"), number(ea, "y2")));
            e.width = number(ea, "width", 0.3);
            xml.skipCurrentElement();
        } else if (name == QLatin1String("box")) {
            e.kind = ReportElement::Kind::Box;
            e.rect = QRectF(number(ea, "x"), number(ea, "y"), number(ea, "w"), number(ea, "h"));
            e.width = number(ea, "width", 0.3);
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
            continue;
        }
        band.elements.push_back(e);
    }
    return band;
}

// The values a text element may name, for one row of the detail connection.
struct Row {
    const DataSet *data = nullptr;
    int row = -1;
};

class Filler {
public:
    Filler(const Row &row, int count) : m_row(row), m_count(count) {}

    // Fills every placeholder but the page numbers, which are known only at the end.
    QString fill(const QString &text) const
    {
        static const QRegularExpression placeholder(QStringLiteral("\\{([A-Za-z0-9_]+)(?:\\.([A-Za-z0-9_\\-]+))?\\}"));
        QString out;
        qsizetype last = 0;
        auto it = placeholder.globalMatch(text);
        while (it.hasNext()) {
            const auto m = it.next();
            out += text.mid(last, m.capturedStart() - last);
            out += value(m.captured(1), m.captured(2), m.captured(0));
            last = m.capturedEnd();
        }
        return out + text.mid(last);
    }

private:
    QString value(const QString &first, const QString &second, const QString &whole) const
    {
        if (second.isEmpty()) {
            if (first == QLatin1String("PAGE") || first == QLatin1String("PAGES"))
                return whole;
            if (first == QLatin1String("DATE"))
                return Regional::current().formatDate(QDate::currentDate());
            if (first == QLatin1String("COUNT"))
                return QString::number(m_count);
            return fieldOf(m_row.data, m_row.row, first);
        }
        const DataSet *other = data_connections::find(first);
        return fieldOf(other, 0, second);
    }
    static QString fieldOf(const DataSet *data, int row, const QString &field)
    {
        if (!data || !data->isOpen())
            return {};
        const int column = data->fieldIndex(field);
        return column < 0 ? QString() : displayText(data->value(row, column));
    }

    Row m_row;
    int m_count;
};

class Layout {
public:
    Layout(const ReportDefinition &d, LaidOutReport &out) : m_def(d), m_out(out)
    {
        const QPageSize a4(QPageSize::A4);
        QSizeF size = a4.size(QPageSize::Millimeter);
        if (d.orientation == QPageLayout::Landscape)
            size.transpose();
        m_out.pageSize = size;
        m_bottom = size.height() - d.margin - d.pageFooter.height;
    }

    void band(const ReportBand &band, const Filler &filler)
    {
        // Texts that grow: their lines decide the band's height and may cross pages.
        std::vector<const ReportElement *> growing;
        for (const ReportElement &e : band.elements)
            if (e.kind == ReportElement::Kind::Text && e.grow)
                growing.push_back(&e);
        if (growing.empty()) {
            if (m_y + band.height > m_bottom)
                newPage();
            place(band.elements, filler, m_y);
            m_y += band.height;
            return;
        }
        const ReportElement &grow = *growing.front();
        if (m_y + qMax(grow.rect.top() + lineHeight(grow), band.height) > m_bottom)
            newPage();
        std::vector<ReportElement> fixed;
        for (const ReportElement &e : band.elements)
            if (&e != &grow)
                fixed.push_back(e);
        place(fixed, filler, m_y);
        const double top = m_y;
        double y = m_y + grow.rect.top();
        for (const QString &line : wrap(grow, filler.fill(grow.text))) {
            if (y + lineHeight(grow) > m_bottom) {
                newPage();
                y = m_y;
            }
            m_page->items.push_back({ReportElement::Kind::Text,
                                     QRectF(m_def.margin + grow.rect.left(), y, grow.rect.width(), lineHeight(grow)),
                                     line, font(grow), grow.align, 0});
            y += lineHeight(grow);
        }
        m_y = qMax(y, top + band.height);
    }

    void newPage()
    {
        if (m_page)
            footer();
        m_out.pages.emplace_back();
        m_page = &m_out.pages.back();
        m_y = m_def.margin;
        const Filler plain(Row{}, m_count);
        place(m_def.pageHeader.elements, plain, m_y);
        m_y += m_def.pageHeader.height;
        if (m_inDetail) {
            place(m_def.columnHeader.elements, plain, m_y); // repeated on every page of a list
            m_y += m_def.columnHeader.height;
        }
    }

    void finish()
    {
        if (!m_page)
            newPage();
        footer();
        // The page numbers are known now.
        const QString pages = QString::number(m_out.pages.size());
        for (size_t p = 0; p < m_out.pages.size(); ++p)
            for (auto &item : m_out.pages[p].items)
                if (item.text.contains(QLatin1Char('{'))) {
                    item.text.replace(QStringLiteral("{PAGE}"), QString::number(p + 1));
                    item.text.replace(QStringLiteral("{PAGES}"), pages);
                }
    }

    void setInDetail(bool inDetail) { m_inDetail = inDetail; }
    void setCount(int count) { m_count = count; }
    double y() const { return m_y; }

private:
    QFont font(const ReportElement &e) const
    {
        QFont f(m_def.fontFamily);
        f.setPointSizeF(e.size);
        f.setBold(e.bold);
        return f;
    }
    static double lineHeight(const ReportElement &e) { return e.size * 0.3528 * 1.35; } // points to mm, with leading

    QStringList wrap(const ReportElement &e, const QString &text) const
    {
        // Lines are measured on a 600 dpi reference, close to what printers and PDF files use.
        static const QImage reference = [] {
            QImage image(1, 1, QImage::Format_Mono);
            image.setDotsPerMeterX(23622);
            image.setDotsPerMeterY(23622);
            return image;
        }();
        const double width = e.rect.width() / 25.4 * 600.0;
        const QFontMetricsF metrics(font(e), const_cast<QImage *>(&reference));
        // Greedy word wrap: as many words on a line as fit, a too-long word cut where it must.
        QStringList lines;
        for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
            QString line;
            for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
                if (metrics.horizontalAdvance(candidate) <= width) {
                    line = candidate;
                    continue;
                }
                if (!line.isEmpty())
                    lines << line;
                line = word;
                while (metrics.horizontalAdvance(line) > width && line.size() > 1) {
                    qsizetype fit = line.size() - 1;
                    while (fit > 1 && metrics.horizontalAdvance(line.left(fit)) > width)
                        --fit;
                    lines << line.left(fit);
                    line = line.mid(fit);
                }
            }
            lines << line;
        }
        return lines;
    }

    void place(const std::vector<ReportElement> &elements, const Filler &filler, double top)
    {
        for (const ReportElement &e : elements) {
            const QRectF at = e.rect.translated(m_def.margin, top);
            m_page->items.push_back({e.kind, at, e.kind == ReportElement::Kind::Text ? filler.fill(e.text) : QString(),
                                     font(e), e.align, e.width});
        }
    }

    void footer()
    {
        const Filler plain(Row{}, m_count);
        place(m_def.pageFooter.elements, plain, m_out.pageSize.height() - m_def.margin - m_def.pageFooter.height);
    }

    const ReportDefinition &m_def;
    LaidOutReport &m_out;
    ReportPage *m_page = nullptr;
    double m_y = 0;
    double m_bottom = 0;
    bool m_inDetail = false;
    int m_count = 0;
};

} // namespace

ReportDefinition ReportDefinition::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    QXmlStreamReader xml(&file);
    ReportDefinition d;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("report"))
        throw std::runtime_error("not a report definition: " + path.toStdString());
    const auto a = xml.attributes();
    d.title = a.value(QLatin1String("title")).toString();
    d.margin = number(a, "margin", 15);
    if (a.value(QLatin1String("orientation")) == QLatin1String("landscape"))
        d.orientation = QPageLayout::Landscape;
    if (a.hasAttribute(QLatin1String("font")))
        d.fontFamily = a.value(QLatin1String("font")).toString();
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        ReportBand *target = name == QLatin1String("title")           ? &d.reportTitle
                             : name == QLatin1String("page-header")   ? &d.pageHeader
                             : name == QLatin1String("column-header") ? &d.columnHeader
                             : name == QLatin1String("detail")        ? &d.detail
                             : name == QLatin1String("summary")       ? &d.summary
                             : name == QLatin1String("page-footer")   ? &d.pageFooter
                                                                      : nullptr;
        if (target)
            *target = readBand(xml);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        throw std::runtime_error("report definition " + path.toStdString() + ": " + xml.errorString().toStdString());
    return d;
}

LaidOutReport layOut(const ReportDefinition &definition, const std::function<bool(int, int)> &progress)
{
    LaidOutReport out;
    Layout layout(definition, out);
    // Every set the report names and finds closed is opened here and put back as it was found.
    std::vector<DataSet *> opened;
    const auto openIfClosed = [&opened](const QString &name) {
        DataSet *data = data_connections::find(name);
        if (data && !data->isOpen()) {
            data->open();
            opened.push_back(data);
        }
        return data;
    };
    static const QRegularExpression named(QStringLiteral("\\{([A-Za-z0-9_]+)\\.[A-Za-z0-9_\\-]+\\}"));
    for (const ReportBand *band : {&definition.reportTitle, &definition.pageHeader, &definition.columnHeader,
                                   &definition.detail, &definition.summary, &definition.pageFooter})
        for (const ReportElement &e : band->elements)
            for (auto it = named.globalMatch(e.text); it.hasNext();)
                openIfClosed(it.next().captured(1));
    const auto putBack = [&opened] {
        for (DataSet *data : opened)
            data->close();
    };
    DataSet *rows = definition.detail.connection.isEmpty() ? nullptr : openIfClosed(definition.detail.connection);
    const int count = rows ? rows->recordCount() : 0;
    layout.setCount(count);
    layout.newPage();
    layout.band(definition.reportTitle, Filler(Row{}, count));
    layout.setInDetail(true);
    layout.band(definition.columnHeader, Filler(Row{}, count));
    for (int r = 0; r < count; ++r) {
        layout.band(definition.detail, Filler(Row{rows, r}, count));
        if (definition.detail.breakAfter && r + 1 < count)
            layout.newPage();
        if (progress && r % 200 == 0 && !progress(r, count)) {
            out.pages.clear();
            putBack();
            return out;
        }
    }
    layout.setInDetail(false);
    layout.band(definition.summary, Filler(Row{rows, count > 0 ? 0 : -1}, count));
    layout.finish();
    putBack();
    if (progress)
        progress(count, count);
    return out;
}

void paint(const LaidOutReport &report, QPagedPaintDevice &device, int from, int to)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(report.pageSize.width() > report.pageSize.height() ? QPageLayout::Landscape
                                                                                : QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&device);
    // Millimetres to the device's dots; fonts keep their points on any device.
    const double kx = device.logicalDpiX() / 25.4, ky = device.logicalDpiY() / 25.4;
    const auto toDevice = [&](const QRectF &r) { return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky); };
    const int first = from > 0 ? from : 1;
    const int last = to > 0 ? qMin(to, int(report.pages.size())) : int(report.pages.size());
    for (int p = first; p <= last; ++p) {
        if (p > first)
            device.newPage();
        for (const ReportPage::Item &item : report.pages[size_t(p - 1)].items) {
            const QRectF r = toDevice(item.rect);
            switch (item.kind) {
            case ReportElement::Kind::Text: {
                painter.setFont(item.font);
                painter.setPen(Qt::black);
                const QString text = painter.fontMetrics().elidedText(item.text, Qt::ElideRight, int(r.width()));
                painter.drawText(r, int(item.align | Qt::AlignVCenter | Qt::TextSingleLine), text);
                break;
            }
            case ReportElement::Kind::Line:
                painter.setPen(QPen(Qt::black, item.width * kx));
                painter.drawLine(r.topLeft(), r.bottomRight());
                break;
            case ReportElement::Kind::Box:
                painter.setPen(QPen(Qt::black, item.width * kx));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(r);
                break;
            }
        }
    }
}
