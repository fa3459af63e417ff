#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringList>
#include <map>

class QPaintDevice;

namespace report {

// Text measures in millimetres with the fonts of the device the pages are painted on, so that
// what was measured is what is drawn.
class Measures {
public:
    Measures(const QPaintDevice &device, const QString &family) : m_device(device), m_family(family) {}

    QFont font(double size, bool bold) const;
    // A whole text's width; a text met before (a name, a date, a sex in a long list) is not
    // shaped again.
    double width(const QFont &font, const QString &text);
    static double lineHeight(double size) { return size * 0.3528 * 1.35; } // points to mm, with leading

    // Greedy word wrap: as many words on a line as fit. A word longer than the room left breaks
    // after a hyphen or slash first (compound names), inside a word only as the last resort.
    QStringList wrap(const QFont &font, const QString &text, double width);

private:
    struct FontMeasures {
        QFontMetricsF metrics;
        QHash<QString, double> widths; // of whole texts, up to KeptWidths of them
    };
    static constexpr qsizetype KeptWidths = 20000;

    qsizetype longestFit(const QFont &font, const QString &text, double width);
    double measuredWidth(FontMeasures &measures, const QString &text) const;
    FontMeasures &measuresOf(const QFont &font);

    const QPaintDevice &m_device;
    QString m_family;
    std::map<std::pair<int, bool>, FontMeasures> m_measures;
};

} // namespace report
