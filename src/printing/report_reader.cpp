// Reading a report file (.RAV) into a ReportDefinition. Whatever the reader does not know is
// refused, never skipped: a misspelt element or attribute would otherwise vanish from paper.
#include "printing/report.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QStringList>
#include <QXmlStreamReader>
#include <cmath>
#include <stdexcept>
#include <tuple>

namespace {

constexpr double MaxMeasure = 1000; // mm: more than any page

class Reader {
public:
    Reader(const QString &path, QXmlStreamReader &xml) : m_file(QFileInfo(path).fileName()), m_xml(xml) {}

    [[noreturn]] void refuse(const QString &where, const QString &why) const
    {
        throw std::runtime_error(QStringLiteral("Report file \"%1\": %2 %3").arg(m_file, where, why).toStdString());
    }

    void report(ReportDefinition &d)
    {
        const QString where = QStringLiteral("<report>");
        knowsOnly(where, {"title", "orientation", "margin", "font"});
        const auto a = m_xml.attributes();
        d.title = a.value(QLatin1String("title")).toString();
        d.margin = number(where, "margin", 15, 0, 100);
        if (choice(where, "orientation", {"portrait", "landscape"}) == 1)
            d.orientation = QPageLayout::Landscape;
        if (a.hasAttribute(QLatin1String("font")))
            d.fontFamily = a.value(QLatin1String("font")).toString();
        int index = 0;
        while (m_xml.readNextStartElement()) {
            ++index;
            const QString name = m_xml.name().toString();
            ReportBand *target = name == QLatin1String("title")           ? &d.reportTitle
                                 : name == QLatin1String("page-header")   ? &d.pageHeader
                                 : name == QLatin1String("column-header") ? &d.columnHeader
                                 : name == QLatin1String("detail")        ? &d.detail
                                 : name == QLatin1String("summary")       ? &d.summaries.emplace_back()
                                 : name == QLatin1String("page-footer")   ? &d.pageFooter
                                                                          : nullptr;
            if (!target)
                refuse(QStringLiteral("<%1> number %2 in <report>").arg(name).arg(index),
                       QStringLiteral("is not a band; a report holds <title>, <page-header>, <column-header>, "
                                      "<detail>, <summary> and <page-footer>."));
            *target = band(name);
        }
    }

    // Every band must fit on a page between the page header and footer.
    void checkPage(const ReportDefinition &d) const
    {
        const QSizeF page = d.pageSize();
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

private:
    ReportBand band(const QString &bandName)
    {
        ReportBand band;
        const QString where = QStringLiteral("<%1>").arg(bandName);
        knowsOnly(where, {"height", "connection", "break-after", "padding"});
        band.height = number(where, "height", 0, 0, MaxMeasure);
        band.connection = m_xml.attributes().value(QLatin1String("connection")).toString();
        band.breakAfter = flag(where, "break-after");
        // Room kept clear at the right of every text, so that columns never run into each other.
        const double padding = number(where, "padding", 0, 0, 20);
        int index = 0;
        while (m_xml.readNextStartElement()) {
            ++index;
            const QString name = m_xml.name().toString();
            const QString at = QStringLiteral("<%1> number %2 in <%3>").arg(name).arg(index).arg(bandName);
            if (name == QLatin1String("text"))
                band.elements.push_back(text(at, padding));
            else if (name == QLatin1String("line"))
                band.elements.push_back(line(at));
            else if (name == QLatin1String("box"))
                band.elements.push_back(box(at));
            else
                refuse(at, QStringLiteral("is not an element of a band; a band holds <text>, <line> and <box>."));
        }
        return band;
    }

    ReportElement text(const QString &at, double padding)
    {
        knowsOnly(at, {"x", "y", "w", "h", "size", "bold", "align", "fit", "grow"});
        ReportElement e;
        e.kind = ReportElement::Kind::Text;
        e.rect = QRectF(number(at, "x", 0, 0, MaxMeasure), number(at, "y", 0, 0, MaxMeasure),
                        number(at, "w", 20, 0.1, MaxMeasure), number(at, "h", 5, 0, MaxMeasure));
        if (e.rect.width() > 2 * padding)
            e.rect.setWidth(e.rect.width() - padding);
        e.size = number(at, "size", 9, 1, 200);
        e.bold = flag(at, "bold");
        const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        e.align = alignments[choice(at, "align", {"left", "center", "right"})];
        e.grow = flag(at, "grow");
        if (choice(at, "fit", {"shrink", "wrap"}) == 1)
            e.fit = ReportElement::Fit::Wrap;
        e.text = m_xml.readElementText();
        return e;
    }

    ReportElement line(const QString &at)
    {
        knowsOnly(at, {"x1", "y1", "x2", "y2", "width"});
        ReportElement e;
        e.kind = ReportElement::Kind::Line;
        e.rect = QRectF(QPointF(number(at, "x1", 0, 0, MaxMeasure), number(at, "y1", 0, 0, MaxMeasure)),
                        QPointF(number(at, "x2", 0, 0, MaxMeasure), number(at, "y2", 0, 0, MaxMeasure)));
        e.width = number(at, "width", 0.3, 0, 10);
        m_xml.skipCurrentElement();
        return e;
    }

    ReportElement box(const QString &at)
    {
        knowsOnly(at, {"x", "y", "w", "h", "width"});
        ReportElement e;
        e.kind = ReportElement::Kind::Box;
        e.rect = QRectF(number(at, "x", 0, 0, MaxMeasure), number(at, "y", 0, 0, MaxMeasure),
                        number(at, "w", 0, 0, MaxMeasure), number(at, "h", 0, 0, MaxMeasure));
        e.width = number(at, "width", 0.3, 0, 10);
        m_xml.skipCurrentElement();
        return e;
    }

    void knowsOnly(const QString &where, const QStringList &known) const
    {
        for (const QXmlStreamAttribute &attribute : m_xml.attributes()) {
            const QString name = attribute.qualifiedName().toString();
            if (!known.contains(name))
                refuse(where, QStringLiteral("has %1=\"%2\"; it may have only %3.")
                                  .arg(name, attribute.value().toString(), known.join(QStringLiteral(", "))));
        }
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

    // The index of the attribute's value among `options`; the first when the attribute is absent.
    int choice(const QString &where, const char *name, const QStringList &options) const
    {
        const auto a = m_xml.attributes();
        const QString attribute = QLatin1String(name);
        if (!a.hasAttribute(attribute))
            return 0;
        const QString value = a.value(attribute).toString();
        const qsizetype index = options.indexOf(value);
        if (index < 0)
            refuse(where, QStringLiteral("has %1=\"%2\"; it must be \"%3\".")
                              .arg(attribute, value, options.join(QStringLiteral("\" or \""))));
        return int(index);
    }

    bool flag(const QString &where, const char *name) const { return choice(where, name, {"false", "true"}) == 1; }

    QString m_file;
    QXmlStreamReader &m_xml;
};

} // namespace

QSizeF ReportDefinition::pageSize() const
{
    QSizeF size = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape)
        size.transpose();
    return size;
}

ReportDefinition ReportDefinition::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("report"))
        throw std::runtime_error("not a report definition: " + path.toStdString());
    Reader reader(path, xml);
    ReportDefinition d;
    reader.report(d);
    if (xml.hasError())
        throw std::runtime_error("report definition " + path.toStdString() + ": " + xml.errorString().toStdString());
    reader.checkPage(d);
    return d;
}
