#pragma once

#include "printing/report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>

class QPaintDevice;

namespace report {

// A report's font told apart from its others: its size in hundredths of a point, and bold.
using FontKey = std::pair<int, bool>;
inline FontKey fontKey(const QFont &font)
{
    return {qRound(font.pointSizeF() * 100), font.bold()};
}

// Text measures in millimetres with the fonts of the device the pages are painted on, so that
// what was measured is what is drawn.
class Measures {
public:
    // Shaped texts keep their glyphs in `glyphs`, for the painter.
    Measures(const QPaintDevice &device, const QString &family, ShapedGlyphs &glyphs)
        : m_device(device), m_family(family), m_glyphs(glyphs)
    {
    }

    QFont font(double size, bool bold) const;
    // A whole text on one line, shaped once: its width, and its glyphs for the painter. A text
    // met before (a name, a date, a sex in a long list) is not shaped again.
    ShapedText shape(const QFont &font, const QString &text);
    static double lineHeight(double size) { return size * 0.3528 * 1.35; } // points to mm, with leading

    // Greedy word wrap: as many words on a line as fit. A word longer than the room left breaks
    // after a hyphen or slash first (compound names), inside a word only as the last resort.
    QStringList wrap(const QFont &font, const QString &text, double width);

    // Whether `text` is drawn glyph by glyph as the font maps its characters, with no kerning
    // or ligature: Greek letters, digits and punctuation in the font the reports are set in.
    static bool takesNoShaping(const QRawFont &font, const QString &text);

private:
    struct FontMeasures {
        QFont font; // as on the device
        QFontMetricsF metrics;
        QRawFont raw;
        bool sideBySide;                   // the font the reports are set in: see takesNoShaping
        QHash<QString, ShapedText> shaped; // up to KeptTexts of them
    };
    static constexpr qsizetype KeptTexts = 20000;

    qsizetype longestFit(const QFont &font, const QString &text, double width);
    double measuredWidth(FontMeasures &measures, const QString &text) const;
    ShapedText shapeText(FontMeasures &measures, const QString &text);
    double toMillimetres(double dots) const;
    FontMeasures &measuresOf(const QFont &font);

    const QPaintDevice &m_device;
    QString m_family;
    ShapedGlyphs &m_glyphs;
    std::map<FontKey, FontMeasures> m_measures;
};

} // namespace report
