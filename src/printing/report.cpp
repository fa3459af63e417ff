#include "printing/report.h"

#include "printing/data_connections.h"
#include "data/dataset.h"
#include "data/regional.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>

namespace {

// Reads one .RAV file, refusing what cannot be printed with the file and the element named.
class Reader {
public:
    Reader(const QString &path, QXmlStreamReader &xml) : m_file(QFileInfo(path).fileName()), m_xml(xml) {}

    [[noreturn]] void refuse(const QString &where, const QString &why) const
    {
        throw std::runtime_error(QStringLiteral("Report file \"%1\": %2 %3").arg(m_file, where, why).toStdString());
    }

    // A measure within [low, high]; `fallback` when the attribute is absent.
    double number(const QString &where, const char *name, double fallback, double low, double high) const
    {
        const auto a = m_xml.attributes();
        const QString attribute = QLatin1String(name);
        if (!a.hasAttribute(attribute))
            return fallback;
        const QString text = a.value(attribute).toString().trimmed();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < low || value > high)
            refuse(where, QStringLiteral("has %1=\"%2\"; it must be a number from %3 to %4.")
                              .arg(attribute, text, QString::number(low), QString::number(high)));
        return value;
    }

    ReportBand band(const QString &bandName)
    {
        ReportBand band;
        const QString where = QStringLiteral("<%1>").arg(bandName);
        band.height = number(where, "height", 0, 0, MaxMeasure);
        const auto a = m_xml.attributes();
        band.connection = a.value(QLatin1String("connection")).toString();
        band.breakAfter = a.value(QLatin1String("break-after")) == QLatin1String("true");
        // Room kept clear at the right of every text, so that columns never run into each other.
        const double padding = number(where, "padding", 0, 0, 20);
        int index = 0;
        while (m_xml.readNextStartElement()) {
            ++index;
            const QString name = m_xml.name().toString();
            const QString at = QStringLiteral("<%1> number %2 in <%3>").arg(name).arg(index).arg(bandName);
            ReportElement e;
            const auto ea = m_xml.attributes();
            if (name == QLatin1String("text")) {
                e.kind = ReportElement::Kind::Text;
                e.rect = QRectF(number(at, "x", 0, 0, MaxMeasure), number(at, "y", 0, 0, MaxMeasure),
                                number(at, "w", 20, 0.1, MaxMeasure), number(at, "h", 5, 0, MaxMeasure));
                if (e.rect.width() > 2 * padding)
                    e.rect.setWidth(e.rect.width() - padding);
                e.size = number(at, "size", 9, 1, 200);
                e.bold = ea.value(QLatin1String("bold")) == QLatin1String("true");
                e.align = alignment(ea.value(QLatin1String("align")).toString());
                e.grow = ea.value(QLatin1String("grow")) == QLatin1String("true");
                const QString fit = ea.value(QLatin1String("fit")).toString();
                if (fit == QLatin1String("wrap"))
                    e.fit = ReportElement::Fit::Wrap;
                else if (!fit.isEmpty() && fit != QLatin1String("shrink"))
                    refuse(at, QStringLiteral("has fit=\"%1\"; it must be \"wrap\" or \"shrink\".").arg(fit));
                e.text = m_xml.readElementText();
            } else if (name == QLatin1String("line")) {
                e.kind = ReportElement::Kind::Line;
                e.rect = QRectF(QPointF(number(at, "x1", 0, 0, MaxMeasure), number(at, "y1", 0, 0, MaxMeasure)),
                                QPointF(number(at, "x2", 0, 0, MaxMeasure), number(at, "y2", 0, 0, MaxMeasure)));
                e.width = number(at, "width", 0.3, 0, 10);
                m_xml.skipCurrentElement();
            } else if (name == QLatin1String("box")) {
                e.kind = ReportElement::Kind::Box;
                e.rect = QRectF(number(at, "x", 0, 0, MaxMeasure), number(at, "y", 0, 0, MaxMeasure),
                                number(at, "w", 0, 0, MaxMeasure), number(at, "h", 0, 0, MaxMeasure));
                e.width = number(at, "width", 0.3, 0, 10);
                m_xml.skipCurrentElement();
            } else {
                m_xml.skipCurrentElement();
                continue;
            }
            band.elements.push_back(e);
        }
        return band;
    }

    // Every band must fit on a page between the page header and footer.
    void checkPage(const ReportDefinition &d, const QSizeF &page) const
    {
        const double room = page.height() - 2 * d.margin - d.pageHeader.height - d.pageFooter.height;
        if (2 * d.margin >= qMin(page.width(), page.height()) || room <= 0)
            refuse(QStringLiteral("<report>"), QStringLiteral("leaves no room for rows: margin %1 mm, <page-header> "
                                                              "%2 mm and <page-footer> %3 mm on a page %4 mm high.")
                                                   .arg(d.margin)
                                                   .arg(d.pageHeader.height)
                                                   .arg(d.pageFooter.height)
                                                   .arg(page.height()));
        // Rows come under the column header, repeated on every page.
        const double rowRoom = room - d.columnHeader.height;
        std::vector<std::tuple<const char *, double, double>> bands{{"title", d.reportTitle.height, room},
                                                                    {"column-header", d.columnHeader.height, room},
                                                                    {"detail", d.detail.height, rowRoom}};
        for (const ReportBand &summary : d.summaries)
            bands.emplace_back("summary", summary.height, room);
        for (const auto &[name, height, space] : bands)
            if (height > space)
                refuse(QStringLiteral("<%1>").arg(QLatin1String(name)),
                       QStringLiteral("is %1 mm high; a page has room for %2 mm.").arg(height).arg(space));
    }

    static constexpr double MaxMeasure = 1000; // mm: more than any page

private:
    static Qt::Alignment alignment(const QString &text)
    {
        if (text == QLatin1String("right"))
            return Qt::AlignRight;
        if (text == QLatin1String("center"))
            return Qt::AlignHCenter;
        return Qt::AlignLeft;
    }

    QString m_file;
    QXmlStreamReader &m_xml;
};

QSizeF pageSizeOf(QPageLayout::Orientation orientation)
{
    QSizeF size = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape)
        size.transpose();
    return size;
}

// The values a text element may name, for one row of the detail connection.
struct Row {
    const DataSet *data = nullptr;
    int row = -1;
};

// {NAME}, {CONNECTION.NAME}, either with "|text" shown when the value is empty.
const QRegularExpression &placeholderPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("\\{([A-Za-z0-9_]+)(?:\\.([A-Za-z0-9_\\-]+))?(?:\\|([^{}]*))?\\}"));
    return pattern;
}

class Filler {
public:
    Filler(const Row &row, int count, const QHash<QString, QString> &parameters)
        : m_row(row), m_count(count), m_parameters(parameters)
    {
    }

    // Fills every placeholder but the page numbers, which are known only at the end. A part in
    // square brackets that names values is printed only when none of them is empty:
    // "Τηλ.: {PHONE}[   Fax: {FAX}]" leaves out an empty Fax.
    QString fill(const QString &text) const
    {
        if (!text.contains(QLatin1Char('{')))
            return text;
        QString out;
        qsizetype last = 0;
        for (qsizetype open = text.indexOf(QLatin1Char('[')); open >= 0; open = text.indexOf(QLatin1Char('['), last)) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), open);
            if (close < 0)
                break;
            const QString inner = text.mid(open + 1, close - open - 1);
            if (inner.contains(QLatin1Char('[')) || !placeholderPattern().match(inner).hasMatch()) {
                out += fillValues(text.mid(last, open + 1 - last), nullptr);
                last = open + 1;
                continue;
            }
            out += fillValues(text.mid(last, open - last), nullptr);
            bool anyEmpty = false;
            const QString filled = fillValues(inner, &anyEmpty);
            if (!anyEmpty)
                out += filled;
            last = close + 1;
        }
        return out + fillValues(text.mid(last), nullptr);
    }

    Filler plain() const { return Filler(Row{}, m_count, m_parameters); }

private:
    QString fillValues(const QString &text, bool *anyEmpty) const
    {
        QString out;
        qsizetype last = 0;
        auto it = placeholderPattern().globalMatch(text);
        while (it.hasNext()) {
            const auto m = it.next();
            out += text.mid(last, m.capturedStart() - last);
            const QString filled = value(m.captured(1), m.captured(2), m.captured(0));
            if (anyEmpty && filled.trimmed().isEmpty())
                *anyEmpty = true;
            out += filled.isEmpty() ? m.captured(3) : filled;
            last = m.capturedEnd();
        }
        return out + text.mid(last);
    }

    QString value(const QString &first, const QString &second, const QString &whole) const
    {
        if (second.isEmpty()) {
            if (first == QLatin1String("PAGE") || first == QLatin1String("PAGES"))
                return whole;
            if (first == QLatin1String("DATE"))
                return Regional::current().formatDate(QDate::currentDate());
            if (first == QLatin1String("COUNT"))
                return QString::number(m_count);
            if (const auto found = m_parameters.constFind(first); found != m_parameters.constEnd())
                return *found;
            return fieldOf(m_row.data, m_row.row, first);
        }
        const DataSet *other = data_connections::find(first);
        return fieldOf(other, 0, second);
    }
    static QString fieldOf(const DataSet *data, int row, const QString &field)
    {
        if (!data || !data->isOpen() || row < 0 || row >= data->recordCount())
            return {};
        const int column = data->fieldIndex(field);
        return column < 0 ? QString() : displayText(data->value(row, column));
    }

    Row m_row;
    int m_count;
    const QHash<QString, QString> &m_parameters;
};

// Text measures in millimetres with the fonts of the device the pages are painted on, so that
// what was measured is what is drawn.
class Measures {
public:
    Measures(const QPaintDevice &device, const QString &family) : m_device(device), m_family(family) {}

    QFont font(double size, bool bold) const
    {
        QFont f(m_family);
        f.setPointSizeF(size);
        f.setBold(bold);
        return f;
    }

    double width(const QFont &font, const QString &text)
    {
        return metrics(font).horizontalAdvance(text) * 25.4 / m_device.logicalDpiX();
    }

    static double lineHeight(double size) { return size * 0.3528 * 1.35; } // points to mm, with leading

    // Greedy word wrap: as many words on a line as fit. A word longer than the room left breaks
    // after a hyphen or slash first (compound names), inside a word only as the last resort.
    QStringList wrap(const QFont &font, const QString &text, double width)
    {
        QStringList lines;
        for (QString paragraph : text.split(QLatin1Char('\n'))) {
            paragraph.remove(QLatin1Char('\r'));
            paragraph.replace(QLatin1Char('\t'), QLatin1Char(' '));
            QString line;
            for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                bool firstPart = true;
                for (const QString &part : partsOf(word)) {
                    const QString joint = line.isEmpty() || !firstPart ? QString() : QStringLiteral(" ");
                    firstPart = false;
                    const QString candidate = line + joint + part;
                    if (this->width(font, candidate) <= width) {
                        line = candidate;
                        continue;
                    }
                    if (!line.isEmpty())
                        lines << line;
                    line = part;
                    while (line.size() > 1 && this->width(font, line) > width) {
                        const qsizetype fit = longestFit(font, line, width);
                        lines << line.left(fit);
                        line = line.mid(fit);
                    }
                }
            }
            lines << line;
        }
        return lines;
    }

private:
    // A word cut after each hyphen or slash inside it: «Κωνσταντινοπούλου-», «Αναστασιάδου».
    static QStringList partsOf(const QString &word)
    {
        QStringList parts;
        qsizetype start = 0;
        for (qsizetype i = 1; i + 1 < word.size(); ++i)
            if (word[i] == QLatin1Char('-') || word[i] == QLatin1Char('/')) {
                parts << word.mid(start, i + 1 - start);
                start = i + 1;
            }
        parts << word.mid(start);
        return parts;
    }

    // The most leading characters of `text` that fit `width`; at least one.
    qsizetype longestFit(const QFont &font, const QString &text, double width)
    {
        qsizetype low = 1, high = text.size() - 1;
        while (low < high) {
            const qsizetype middle = (low + high + 1) / 2;
            if (this->width(font, text.left(middle)) <= width)
                low = middle;
            else
                high = middle - 1;
        }
        return low;
    }

    QFontMetricsF &metrics(const QFont &font)
    {
        const auto key = std::make_pair(qRound(font.pointSizeF() * 100), font.bold());
        auto found = m_metrics.find(key);
        if (found == m_metrics.end())
            found = m_metrics.emplace(key, QFontMetricsF(font, &m_device)).first;
        return found->second;
    }

    const QPaintDevice &m_device;
    QString m_family;
    std::map<std::pair<int, bool>, QFontMetricsF> m_metrics;
};

class Layout {
public:
    Layout(const ReportDefinition &d, const QPaintDevice &device, LaidOutReport &out)
        : m_def(d), m_out(out), m_measures(device, d.fontFamily)
    {
        m_out.pageSize = pageSizeOf(d.orientation);
        m_bottom = m_out.pageSize.height() - d.margin - d.pageFooter.height;
    }

    // `keepWithLastRow`: a band (the summary) that does not fit under the last row takes that
    // row along to the next page rather than standing alone there.
    void band(const ReportBand &band, const Filler &filler, bool keepWithLastRow = false)
    {
        // A text that grows flows over the pages; the band's other elements stay in place.
        const auto grow = std::find_if(band.elements.begin(), band.elements.end(), [](const ReportElement &e) {
            return e.kind == ReportElement::Kind::Text && e.grow;
        });
        if (grow == band.elements.end()) {
            Arranged arranged = arrange(band.elements, filler);
            const double height = band.height + arranged.extra;
            if (m_pageTop + height > m_bottom) {
                putAcrossPages(arranged); // taller than a page: thousands of characters
                m_lastBand.reset();
            } else {
                if (m_y + height > m_bottom) {
                    if (keepWithLastRow && m_lastBand)
                        moveLastBandToNewPage();
                    else
                        newPage();
                }
                m_lastBand = PlacedBand{m_out.pages.size() - 1, m_page->items.size(), m_y};
                put(arranged, m_y);
            }
            m_y += height;
            return;
        }
        m_lastBand.reset();
        const double lineHeight = Measures::lineHeight(grow->size);
        if (m_y + qMax(grow->rect.top() + lineHeight, band.height) > m_bottom)
            newPage();
        std::vector<ReportElement> fixed;
        for (auto e = band.elements.begin(); e != band.elements.end(); ++e)
            if (e != grow)
                fixed.push_back(*e);
        Arranged arranged = arrange(fixed, filler);
        put(arranged, m_y);
        const double top = m_y;
        double y = m_y + grow->rect.top() + arranged.shiftAt(grow->rect.top());
        const QFont font = fontOf(*grow);
        for (const QString &line : m_measures.wrap(font, filler.fill(grow->text), grow->rect.width())) {
            if (y + lineHeight > m_bottom) {
                newPage();
                y = m_y;
            }
            m_page->items.push_back({ReportElement::Kind::Text,
                                     QRectF(m_def.margin + grow->rect.left(), y, grow->rect.width(), lineHeight), line,
                                     font, grow->align, 0});
            y += lineHeight;
        }
        m_y = qMax(y, top + band.height + arranged.extra);
    }

    void newPage()
    {
        if (m_page)
            footer();
        m_out.pages.emplace_back();
        m_page = &m_out.pages.back();
        m_y = m_def.margin;
        // The page header may name the row on the page: whose history page 2 belongs to.
        m_y += placeFixed(m_def.pageHeader, m_headerRow ? *m_headerRow : m_plain->plain());
        if (m_inDetail)
            m_y += placeFixed(m_def.columnHeader, m_plain->plain()); // repeated on every page of a list
        m_pageTop = m_y;
    }

    // The next page starts a document of its own, numbered from 1: one child's record, one diet.
    void newDocument()
    {
        newPage();
        m_documentStarts.push_back(m_out.pages.size() - 1);
    }

    void finish()
    {
        if (!m_page)
            newPage();
        footer();
        // The page numbers are known now.
        m_documentStarts.push_back(m_out.pages.size());
        for (size_t d = 0; d + 1 < m_documentStarts.size(); ++d) {
            const size_t first = m_documentStarts[d], end = m_documentStarts[d + 1];
            const QString pages = QString::number(end - first);
            for (size_t p = first; p < end; ++p)
                for (auto &item : m_out.pages[p].items)
                    if (item.text.contains(QLatin1Char('{'))) {
                        item.text.replace(QStringLiteral("{PAGE}"), QString::number(p - first + 1));
                        item.text.replace(QStringLiteral("{PAGES}"), pages);
                    }
        }
    }

    void setInDetail(bool inDetail) { m_inDetail = inDetail; }
    void setPlain(const Filler &plain) { m_plain = &plain; }
    void setHeaderRow(const Filler &row) { m_headerRow.emplace(row); }

private:
    struct FittedText {
        const ReportElement *e;
        QFont font;
        QStringList lines;
        double lineHeight;
        double growth; // mm taller than designed
        double shift = 0;
    };

    // A band's items relative to its top, and how much taller than designed it came out.
    struct Arranged {
        std::vector<ReportPage::Item> items;
        double extra = 0;
        std::vector<std::pair<double, double>> moves; // a grown text's bottom, and how far below it moves

        // How far a point at `y` in the band moves down: the most any text above it grew.
        double shiftAt(double y) const
        {
            double shift = 0;
            for (const auto &[bottom, moved] : moves)
                if (bottom <= y + 0.01)
                    shift = qMax(shift, moved);
            return shift;
        }
    };

    QFont fontOf(const ReportElement &e) const { return m_measures.font(e.size, e.bold); }

    // Texts wider than their boxes shrink or wrap; what lies under a wrapped text moves down
    // by the lines it gained, and boxes and lines around it stretch.
    Arranged arrange(const std::vector<ReportElement> &elements, const Filler &filler)
    {
        using Text = FittedText;
        std::vector<Text> texts;
        for (const ReportElement &e : elements)
            if (e.kind == ReportElement::Kind::Text)
                texts.push_back(fitted(e, filler.fill(e.text)));
        std::sort(texts.begin(), texts.end(),
                  [](const Text &a, const Text &b) { return a.e->rect.bottom() < b.e->rect.bottom(); });
        Arranged out;
        for (Text &t : texts) {
            // Texts come bottom first, so every text that can push this one down is known.
            t.shift = out.shiftAt(t.e->rect.top());
            if (t.shift + t.growth > 0) {
                out.moves.emplace_back(t.e->rect.bottom(), t.shift + t.growth);
                out.extra = qMax(out.extra, t.shift + t.growth);
            }
        }
        for (const Text &t : texts) {
            const QRectF r = t.e->rect.translated(m_def.margin, t.shift);
            if (t.lines.size() == 1) {
                out.items.push_back({ReportElement::Kind::Text, r, t.lines.front(), t.font, t.e->align, 0});
                continue;
            }
            double y = r.top();
            for (const QString &line : t.lines) {
                out.items.push_back({ReportElement::Kind::Text, QRectF(r.left(), y, r.width(), t.lineHeight), line, t.font,
                                     t.e->align, 0});
                y += t.lineHeight;
            }
        }
        for (const ReportElement &e : elements) {
            if (e.kind == ReportElement::Kind::Text)
                continue;
            // Lines keep their ends as given (top left to bottom right may slope either way).
            const QPointF from(e.rect.left(), e.rect.top() + out.shiftAt(e.rect.top()));
            const QPointF to(e.rect.right(), e.rect.bottom() + out.shiftAt(e.rect.bottom()));
            out.items.push_back({e.kind, QRectF(from, to).translated(m_def.margin, 0), QString(), QFont(), e.align, e.width});
        }
        return out;
    }

    // A text as it will be printed: on one line in its font if it fits, else shrunk (down to
    // the floor) or wrapped inside its width.
    FittedText fitted(const ReportElement &e, const QString &text)
    {
        FittedText t{&e, fontOf(e), {text}, Measures::lineHeight(e.size), 0};
        const bool oneLine = !text.contains(QLatin1Char('\n'));
        if (oneLine && (text.isEmpty() || m_measures.width(t.font, text) <= e.rect.width()))
            return t;
        if (e.fit == ReportElement::Fit::Shrink && oneLine) {
            const double floor = qMin(e.size, ReportElement::MinimumSize);
            for (double size = e.size - 0.5; size >= floor - 1e-9; size -= 0.5) {
                t.font.setPointSizeF(qMax(size, floor));
                if (m_measures.width(t.font, text) <= e.rect.width())
                    return t;
            }
            t.font.setPointSizeF(floor);
        }
        t.lineHeight = Measures::lineHeight(t.font.pointSizeF());
        t.lines = m_measures.wrap(t.font, text, e.rect.width());
        if (t.lines.size() > 1)
            t.growth = qMax(0.0, t.lines.size() * t.lineHeight - e.rect.height());
        return t;
    }

    double placeFixed(const ReportBand &band, const Filler &filler)
    {
        Arranged arranged = arrange(band.elements, filler);
        put(arranged, m_y);
        return band.height + arranged.extra;
    }

    void put(const Arranged &arranged, double top)
    {
        for (ReportPage::Item item : arranged.items) {
            item.rect.translate(0, top);
            m_page->items.push_back(std::move(item));
        }
    }

    // A band taller than a page: a text that would pass the page's bottom continues at the top
    // of the next page, and so does the rest of the band. Leaves m_y where the band's top would be.
    void putAcrossPages(const Arranged &arranged)
    {
        std::vector<ReportPage::Item> items = arranged.items;
        std::stable_sort(items.begin(), items.end(),
                         [](const ReportPage::Item &a, const ReportPage::Item &b) { return a.rect.top() < b.rect.top(); });
        double top = m_y;
        for (ReportPage::Item &item : items) {
            if (item.kind == ReportElement::Kind::Text && top + item.rect.bottom() > m_bottom + 0.01 &&
                top + item.rect.top() > m_pageTop) {
                newPage();
                top = m_y - item.rect.top();
            }
            item.rect.translate(0, top);
            m_page->items.push_back(std::move(item));
        }
        m_y = top; // where the band began, as it continues on this page; the caller adds its height
    }

    // Moves the band placed last to the top of a new page, unless it already heads its page.
    void moveLastBandToNewPage()
    {
        if (m_lastBand->page + 1 != m_out.pages.size() || m_lastBand->top <= m_pageTop + 0.01) {
            newPage();
            return;
        }
        auto &items = m_page->items;
        std::vector<ReportPage::Item> moved(std::make_move_iterator(items.begin() + qsizetype(m_lastBand->firstItem)),
                                            std::make_move_iterator(items.end()));
        items.erase(items.begin() + qsizetype(m_lastBand->firstItem), items.end());
        const double height = m_y - m_lastBand->top, oldTop = m_lastBand->top;
        const bool inDetail = m_inDetail;
        m_inDetail = true; // the moved row keeps its column header
        newPage();
        m_inDetail = inDetail;
        for (ReportPage::Item &item : moved) {
            item.rect.translate(0, m_y - oldTop);
            m_page->items.push_back(std::move(item));
        }
        m_y += height;
    }

    void footer()
    {
        const double top = m_out.pageSize.height() - m_def.margin - m_def.pageFooter.height;
        put(arrange(m_def.pageFooter.elements, m_plain->plain()), top);
    }

    const ReportDefinition &m_def;
    LaidOutReport &m_out;
    Measures m_measures;
    const Filler *m_plain = nullptr;
    std::optional<Filler> m_headerRow;
    ReportPage *m_page = nullptr;
    double m_y = 0;
    double m_pageTop = 0; // where rows start on the current page, under its headers
    double m_bottom = 0;
    bool m_inDetail = false;
    struct PlacedBand {
        size_t page;
        size_t firstItem;
        double top;
    };
    std::optional<PlacedBand> m_lastBand;
    std::vector<size_t> m_documentStarts{0}; // the first page of each document
};

} // namespace

ReportDefinition ReportDefinition::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    QXmlStreamReader xml(&file);
    Reader reader(path, xml);
    ReportDefinition d;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("report"))
        throw std::runtime_error("not a report definition: " + path.toStdString());
    const auto a = xml.attributes();
    d.title = a.value(QLatin1String("title")).toString();
    d.margin = reader.number(QStringLiteral("<report>"), "margin", 15, 0, 100);
    if (a.value(QLatin1String("orientation")) == QLatin1String("landscape"))
        d.orientation = QPageLayout::Landscape;
    if (a.hasAttribute(QLatin1String("font")))
        d.fontFamily = a.value(QLatin1String("font")).toString();
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        ReportBand *target = name == QLatin1String("title")           ? &d.reportTitle
                             : name == QLatin1String("page-header")   ? &d.pageHeader
                             : name == QLatin1String("column-header") ? &d.columnHeader
                             : name == QLatin1String("detail")        ? &d.detail
                             : name == QLatin1String("summary")       ? &d.summaries.emplace_back()
                             : name == QLatin1String("page-footer")   ? &d.pageFooter
                                                                      : nullptr;
        if (target)
            *target = reader.band(name);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        throw std::runtime_error("report definition " + path.toStdString() + ": " + xml.errorString().toStdString());
    reader.checkPage(d, pageSizeOf(d.orientation));
    return d;
}

LaidOutReport layOut(const ReportDefinition &definition, const QPaintDevice &device,
                     const QHash<QString, QString> &parameters, const ReportProgress &progress)
{
    LaidOutReport out;
    Layout layout(definition, device, out);
    // Every set the report names and finds closed is opened here and put back as it was found.
    std::vector<DataSet *> opened;
    struct PutBack {
        std::vector<DataSet *> &sets;
        ~PutBack()
        {
            for (DataSet *data : sets)
                data->close();
        }
    } putBack{opened};
    const auto openIfClosed = [&opened](const QString &name) {
        DataSet *data = data_connections::find(name);
        if (data && !data->isOpen()) {
            data->open();
            opened.push_back(data);
        }
        return data;
    };
    std::vector<const ReportBand *> bands{&definition.reportTitle, &definition.pageHeader, &definition.columnHeader,
                                          &definition.detail, &definition.pageFooter};
    for (const ReportBand &summary : definition.summaries)
        bands.push_back(&summary);
    for (const ReportBand *band : bands)
        for (const ReportElement &e : band->elements)
            for (auto it = placeholderPattern().globalMatch(e.text); it.hasNext();)
                if (const auto m = it.next(); !m.captured(2).isEmpty())
                    openIfClosed(m.captured(1));
    DataSet *rows = definition.detail.connection.isEmpty() ? nullptr : openIfClosed(definition.detail.connection);
    const int count = rows ? rows->recordCount() : 0;
    const Filler plain(Row{}, count, parameters);
    layout.setPlain(plain);
    const auto row = [&](int r) { return Filler(Row{rows, r < count ? r : -1}, count, parameters); };
    layout.setHeaderRow(row(0));
    layout.newPage();
    layout.band(definition.reportTitle, plain);
    layout.setInDetail(true);
    layout.band(definition.columnHeader, plain);
    for (int r = 0; r < count; ++r) {
        layout.setHeaderRow(row(r));
        layout.band(definition.detail, row(r));
        if (definition.detail.breakAfter && r + 1 < count) {
            layout.setHeaderRow(row(r + 1));
            layout.newDocument();
        }
        if (progress && r % 200 == 0 && !progress(r, count)) {
            out.pages.clear();
            return out;
        }
    }
    layout.setInDetail(false);
    // Each summary keeps with what stands above it, so that a total never heads a page alone.
    const bool keep = count > 0;
    for (const ReportBand &summary : definition.summaries) {
        if (summary.connection.isEmpty()) {
            layout.band(summary, Filler(Row{rows, count > 0 ? 0 : -1}, count, parameters), keep);
            continue;
        }
        const DataSet *lines = openIfClosed(summary.connection);
        for (int r = 0; lines && r < lines->recordCount(); ++r)
            layout.band(summary, Filler(Row{lines, r}, count, parameters), keep);
    }
    layout.finish();
    if (progress)
        progress(count, count);
    return out;
}

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
                painter.setFont(item.font);
                painter.setPen(Qt::black);
                painter.drawText(r, int(item.align | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip), item.text);
                break;
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
    if (progress)
        progress(last - first + 1, last - first + 1);
    return true;
}
