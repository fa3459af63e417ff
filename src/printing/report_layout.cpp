// Laying a report out over its rows: bands placed on pages, texts fitted to their boxes, page
// numbers filled in at the end.
#include "printing/report.h"

#include "data/dataset.h"
#include "printing/data_connections.h"
#include "printing/report_text.h"
#include "printing/report_values.h"

#include <algorithm>
#include <map>
#include <optional>

using report::Filler;
using report::Measures;
using report::Row;

namespace {

class Layout {
public:
    Layout(const ReportDefinition &d, const QPaintDevice &device, LaidOutReport &out)
        : m_def(d), m_out(out), m_measures(device, d.fontFamily, out.glyphs)
    {
        m_out.pageSize = d.pageSize();
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
                put(std::move(arranged.items), m_y);
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
        put(std::move(arranged.items), m_y);
        const double top = m_y;
        double y = m_y + grow->rect.top() + arranged.shiftAt(grow->rect.top());
        const QFont font = fontOf(*grow);
        const int fontIndex = indexOf(font);
        for (const QString &line : m_measures.wrap(font, filler.fill(grow->text), grow->rect.width())) {
            if (y + lineHeight > m_bottom) {
                newPage();
                y = m_y;
            }
            m_page->items.push_back({ReportElement::Kind::Text,
                                     QRectF(m_def.margin + grow->rect.left(), y, grow->rect.width(), lineHeight), line,
                                     fontIndex, grow->align, 0, m_measures.shape(font, line)});
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
                        item.shaped = {}; // measured with the placeholders
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
        int fontIndex;
        QStringList lines;
        std::vector<ShapedText> shapes; // each line's, for the painter
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

    // The font's place in the report's fonts, added there the first time.
    int indexOf(const QFont &font)
    {
        const report::FontKey key = report::fontKey(font);
        auto found = m_fontIndex.find(key);
        if (found == m_fontIndex.end()) {
            found = m_fontIndex.emplace(key, int(m_out.fonts.size())).first;
            m_out.fonts.push_back(font);
        }
        return found->second;
    }

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
                out.items.push_back({ReportElement::Kind::Text, r, t.lines.front(), t.fontIndex, t.e->align, 0, t.shapes.front()});
                continue;
            }
            for (qsizetype i = 0; i < t.lines.size(); ++i)
                out.items.push_back({ReportElement::Kind::Text, QRectF(r.left(), r.top() + i * t.lineHeight, r.width(), t.lineHeight),
                                     t.lines[i], t.fontIndex, t.e->align, 0, t.shapes[size_t(i)]});
        }
        for (const ReportElement &e : elements) {
            if (e.kind == ReportElement::Kind::Text)
                continue;
            // Lines keep their ends as given (top left to bottom right may slope either way).
            const QPointF from(e.rect.left(), e.rect.top() + out.shiftAt(e.rect.top()));
            const QPointF to(e.rect.right(), e.rect.bottom() + out.shiftAt(e.rect.bottom()));
            out.items.push_back({e.kind, QRectF(from, to).translated(m_def.margin, 0), QString(), -1, e.align, e.width});
        }
        return out;
    }

    // A text as it will be printed: on one line in its font if it fits, else shrunk (down to
    // the floor) or wrapped inside its width.
    FittedText fitted(const ReportElement &e, const QString &text)
    {
        FittedText t{&e, fontOf(e), -1, {text}, {ShapedText{}}, Measures::lineHeight(e.size), 0};
        const auto fittedAsIs = [&] {
            t.fontIndex = indexOf(t.font);
            return t;
        };
        const bool oneLine = !text.contains(QLatin1Char('\n'));
        const auto fitsOnOneLine = [&] {
            t.shapes.front() = m_measures.shape(t.font, text);
            return t.shapes.front().width <= e.rect.width();
        };
        if (oneLine && (text.isEmpty() || fitsOnOneLine()))
            return fittedAsIs();
        if (e.fit == ReportElement::Fit::Shrink && oneLine) {
            const double floor = qMin(e.size, ReportElement::MinimumSize);
            for (double size = e.size - 0.5; size >= floor - 1e-9; size -= 0.5) {
                t.font.setPointSizeF(qMax(size, floor));
                if (fitsOnOneLine())
                    return fittedAsIs();
            }
            t.font.setPointSizeF(floor);
        }
        t.lineHeight = Measures::lineHeight(t.font.pointSizeF());
        t.lines = m_measures.wrap(t.font, text, e.rect.width());
        t.shapes.clear();
        for (const QString &line : t.lines)
            t.shapes.push_back(m_measures.shape(t.font, line));
        if (t.lines.size() > 1)
            t.growth = qMax(0.0, t.lines.size() * t.lineHeight - e.rect.height());
        return fittedAsIs();
    }

    double placeFixed(const ReportBand &band, const Filler &filler)
    {
        Arranged arranged = arrange(band.elements, filler);
        put(std::move(arranged.items), m_y);
        return band.height + arranged.extra;
    }

    void put(std::vector<ReportPage::Item> &&items, double top)
    {
        for (ReportPage::Item &item : items) {
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
        put(arrange(m_def.pageFooter.elements, m_plain->plain()).items, top);
    }

    const ReportDefinition &m_def;
    LaidOutReport &m_out;
    Measures m_measures;
    std::map<report::FontKey, int> m_fontIndex;
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
            for (auto it = report::placeholderPattern().globalMatch(e.text); it.hasNext();)
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
