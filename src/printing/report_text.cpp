#include "printing/report_text.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QTextLayout>
#include <QVarLengthArray>
#include <algorithm>
#include <utility>

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

// The font the reports are set in, whose Greek letters, digits and punctuation neither kern nor
// join: tst_printing checks each pair of them against Qt's shaping.
bool isSideBySideFont(const QRawFont &font)
{
    return font.familyName() == QLatin1String("DejaVu Sans");
}

// Greek letters, digits and punctuation.
bool sideBySideCharacters(const QString &text)
{
    static const QString punctuation = QStringLiteral("«»·°–—‘’“”€");
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f)
            return !c.isLetter();
        if (u >= 0x386 && u <= 0x3ce)
            return c.isLetter();
        return punctuation.contains(c);
    });
}

// The text's glyphs, each the font's own for its character, placed one after the other from 0;
// returns the width in dots, or -1 where the font lacks a character.
double placeSideBySide(const QRawFont &font, const QString &text, quint32 *indexes, float *x)
{
    int count = int(text.size());
    QVarLengthArray<QPointF, 64> advances(count);
    if (!font.glyphIndexesForChars(text.constData(), count, indexes, &count) || count != text.size() ||
        std::find(indexes, indexes + count, 0u) != indexes + count ||
        !font.advancesForGlyphIndexes(indexes, advances.data(), count, QRawFont::SeparateAdvances))
        return -1;
    double at = 0;
    for (int i = 0; i < count; ++i)
        x[i] = float(std::exchange(at, at + advances[i].x()));
    return at;
}

} // namespace

bool Measures::takesNoShaping(const QRawFont &font, const QString &text)
{
    return isSideBySideFont(font) && sideBySideCharacters(text);
}

QFont Measures::font(double size, bool bold) const
{
    QFont f(m_family);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

ShapedText Measures::shape(const QFont &font, const QString &text)
{
    FontMeasures &measures = measuresOf(font);
    if (const auto kept = measures.shaped.constFind(text); kept != measures.shaped.cend())
        return *kept;
    const ShapedText out = shapeText(measures, text);
    if (measures.shaped.size() < KeptTexts)
        measures.shaped.insert(text, out);
    return out;
}

ShapedText Measures::shapeText(FontMeasures &measures, const QString &text)
{
    auto &[indexes, x] = m_glyphs;
    const qsizetype first = qsizetype(indexes.size());
    if (measures.sideBySide && sideBySideCharacters(text)) {
        indexes.resize(size_t(first + text.size()));
        x.resize(indexes.size());
        if (const double width = placeSideBySide(measures.raw, text, &indexes[size_t(first)], &x[size_t(first)]); width >= 0)
            return {toMillimetres(width), first, int(text.size())};
        indexes.resize(size_t(first));
        x.resize(size_t(first));
    }
    QTextLayout layout(text, measures.font, &m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    ShapedText out{toMillimetres(line.horizontalAdvance())};
    // Glyphs from another font (a letter this one lacks) are left to the painter.
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1 || runs.front().rawFont() != measures.raw)
        return out;
    const QList<quint32> runIndexes = runs.front().glyphIndexes();
    const QList<QPointF> runPositions = runs.front().positions();
    indexes.insert(indexes.end(), runIndexes.begin(), runIndexes.end());
    for (const QPointF &p : runPositions)
        x.push_back(float(p.x()));
    out.first = first;
    out.count = int(runIndexes.size());
    return out;
}

double Measures::measuredWidth(FontMeasures &measures, const QString &text) const
{
    if (measures.sideBySide && sideBySideCharacters(text)) {
        QVarLengthArray<quint32, 64> indexes(text.size());
        QVarLengthArray<float, 64> x(text.size());
        if (const double width = placeSideBySide(measures.raw, text, indexes.data(), x.data()); width >= 0)
            return toMillimetres(width);
    }
    return toMillimetres(measures.metrics.horizontalAdvance(text));
}

double Measures::toMillimetres(double dots) const
{
    return dots * 25.4 / m_device.logicalDpiX();
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
    const FontKey key = fontKey(font);
    auto found = m_measures.find(key);
    if (found == m_measures.end()) {
        const QFont onDevice(font, &m_device);
        const QRawFont raw = QRawFont::fromFont(onDevice);
        found = m_measures
                    .emplace(key, FontMeasures{onDevice, QFontMetricsF(font, &m_device), raw, isSideBySideFont(raw), {}})
                    .first;
    }
    return found->second;
}

} // namespace report
