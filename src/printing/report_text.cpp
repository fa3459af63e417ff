#include "printing/report_text.h"

#include <QPaintDevice>

namespace report {

namespace {

// A word cut after each hyphen or slash inside it: «Κωνσταντινοπούλου-», «Αναστασιάδου».
QStringList partsOf(const QString &word)
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

} // namespace

QFont Measures::font(double size, bool bold) const
{
    QFont f(m_family);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

double Measures::width(const QFont &font, const QString &text)
{
    FontMeasures &measures = measuresOf(font);
    if (const auto kept = measures.widths.constFind(text); kept != measures.widths.cend())
        return *kept;
    const double width = measuredWidth(measures, text);
    if (measures.widths.size() < KeptWidths)
        measures.widths.insert(text, width);
    return width;
}

double Measures::measuredWidth(FontMeasures &measures, const QString &text) const
{
    return measures.metrics.horizontalAdvance(text) * 25.4 / m_device.logicalDpiX();
}

QStringList Measures::wrap(const QFont &font, const QString &text, double width)
{
    FontMeasures &measures = measuresOf(font);
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
                if (measuredWidth(measures, candidate) <= width) {
                    line = candidate;
                    continue;
                }
                if (!line.isEmpty())
                    lines << line;
                line = part;
                while (line.size() > 1 && measuredWidth(measures, line) > width) {
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

// The most leading characters of `text` that fit `width`; at least one.
qsizetype Measures::longestFit(const QFont &font, const QString &text, double width)
{
    FontMeasures &measures = measuresOf(font);
    qsizetype low = 1, high = text.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (measuredWidth(measures, text.left(middle)) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

Measures::FontMeasures &Measures::measuresOf(const QFont &font)
{
    const auto key = std::make_pair(qRound(font.pointSizeF() * 100), font.bold());
    auto found = m_measures.find(key);
    if (found == m_measures.end())
        found = m_measures.emplace(key, FontMeasures{QFontMetricsF(font, &m_device), {}}).first;
    return found->second;
}

} // namespace report
