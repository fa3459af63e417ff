#include "children/growth_chart_window.h"

#include "data/regional.h"
#include "printing/report_project.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using who::Indicator;

namespace {

struct IndicatorText {
    Indicator indicator;
    const char *title;
    const char *unit;
    int lastDay;       // the oldest age the references reach
    const char *reach; // the same, in words
};

const IndicatorText Indicators[] = {
    {Indicator::WeightForAge, "Βάρος για την ηλικία", "kg", 3652, "έως 10 ετών"},
    {Indicator::LengthHeightForAge, "Μήκος/ύψος για την ηλικία", "cm", 6939, "έως 19 ετών"},
    {Indicator::BmiForAge, "Δείκτης μάζας σώματος για την ηλικία", "kg/m²", 6939, "έως 19 ετών"},
    {Indicator::HeadForAge, "Περίμετρος κεφαλής για την ηλικία", "cm", 1856, "έως 5 ετών"},
};

const IndicatorText &textOf(Indicator indicator)
{
    for (const IndicatorText &t : Indicators)
        if (t.indicator == indicator)
            return t;
    return Indicators[0];
}

// The centiles drawn, with their z: 3rd, 15th, 50th, 85th, 97th.
const std::pair<int, double> Centiles[] = {{3, -1.8808}, {15, -1.0364}, {50, 0}, {85, 1.0364}, {97, 1.8808}};

std::optional<double> valueOf(const GrowthChart::Measurement &m, Indicator indicator)
{
    switch (indicator) {
    case Indicator::WeightForAge: return m.weight;
    case Indicator::LengthHeightForAge: return m.height;
    case Indicator::HeadForAge: return m.head;
    case Indicator::BmiForAge:
        if (m.weight && m.height && *m.height > 0)
            return *m.weight / std::pow(*m.height / 100, 2);
        return std::nullopt;
    case Indicator::WeightForLengthHeight: return std::nullopt;
    }
    return std::nullopt;
}

// A round step that gives about `ticks` divisions of `span`.
double niceStep(double span, int ticks)
{
    const double raw = span / ticks;
    const double power = std::pow(10, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (raw <= f * power)
            return f * power;
    return 10 * power;
}

QString number(double value)
{
    return QString::number(value, 'g', 4).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

std::vector<GrowthChart::Reading> GrowthChart::readings(Indicator indicator, bool implausible) const
{
    std::vector<Reading> out;
    for (const Measurement &m : measurements) {
        const int days = who::ageInDays(birth, m.date);
        const std::optional<double> value = valueOf(m, indicator);
        if (!value)
            continue;
        // Only ages the reference covers have a z; beyond WHO's flags is a typing error more likely.
        const std::optional<double> z = who::zScore(indicator, sex, days, *value);
        if (z && who::implausible(indicator, *z) == implausible)
            out.push_back({m.date, days, *value});
    }
    return out;
}

std::vector<GrowthChart::Reading> GrowthChart::beyondReference(Indicator indicator) const
{
    std::vector<Reading> out;
    for (const Measurement &m : measurements) {
        const int days = who::ageInDays(birth, m.date);
        const std::optional<double> value = valueOf(m, indicator);
        if (value && days > textOf(indicator).lastDay)
            out.push_back({m.date, days, *value});
    }
    return out;
}

QString GrowthChart::whyEmpty(Indicator indicator) const
{
    const size_t beyond = beyondReference(indicator).size();
    if (beyond == 1)
        return QStringLiteral("Η μέτρηση αυτού του δείκτη είναι σε ηλικία που δεν καλύπτει η αναφορά WHO (%1).")
            .arg(QString::fromUtf8(textOf(indicator).reach));
    if (beyond > 1)
        return QStringLiteral("Οι %1 μετρήσεις αυτού του δείκτη είναι σε ηλικία που δεν καλύπτει η αναφορά WHO (%2).")
            .arg(beyond)
            .arg(QString::fromUtf8(textOf(indicator).reach));
    if (!readings(indicator, true).empty())
        return QStringLiteral("Οι μετρήσεις αυτού του δείκτη μένουν εκτός καμπυλών ως απίθανες (βλ. κάτω).");
    return QStringLiteral("Καμία μέτρηση για αυτόν τον δείκτη");
}

QString GrowthChart::leftOut(Indicator indicator) const
{
    const IndicatorText &text = textOf(indicator);
    const auto listed = [&](const std::vector<Reading> &readings) {
        QStringList items;
        for (const Reading &r : readings)
            items << QStringLiteral("%1: %2 %3").arg(Regional::current().formatDate(r.date), number(r.value), QString::fromUtf8(text.unit));
        return items.join(QStringLiteral(", "));
    };
    QStringList lines;
    if (const QString implausible = listed(readings(indicator, true)); !implausible.isEmpty())
        lines << QStringLiteral("Εκτός καμπυλών (απίθανες τιμές κατά WHO, ελέγξτε τη μέτρηση): ") + implausible;
    if (const QString beyond = listed(beyondReference(indicator)); !beyond.isEmpty())
        lines << QStringLiteral("Εκτός αναφοράς WHO (%1): ").arg(QString::fromUtf8(text.reach)) + beyond;
    return lines.join(QLatin1Char('\n'));
}

std::vector<std::vector<QPointF>> GrowthChart::centileCurve(Indicator indicator, who::Sex sex, double z, int spanDays)
{
    // Sampled about every 1/300 of the span, and on both sides of each joint.
    const int joints[] = {731, 1857};
    std::vector<int> days;
    const int step = std::max(1, spanDays / 300);
    for (int d = 0; d < spanDays; d += step)
        days.push_back(d);
    days.push_back(spanDays);
    for (int joint : joints)
        if (joint <= spanDays) {
            days.push_back(joint - 1);
            days.push_back(joint);
        }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());

    std::vector<std::vector<QPointF>> segments(1);
    for (int d : days) {
        if (std::find(std::begin(joints), std::end(joints), d) != std::end(joints) && !segments.back().empty())
            segments.emplace_back();
        if (const std::optional<who::Lms> lms = who::reference(indicator, sex, d))
            segments.back().push_back({double(d), lms->value(z)});
    }
    if (segments.back().empty())
        segments.pop_back();
    return segments;
}

void GrowthChart::paint(QPainter &painter, const QRectF &area, Indicator indicator) const
{
    const IndicatorText &text = textOf(indicator);
    const double mm = painter.device()->logicalDpiX() / 25.4;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    const std::vector<Reading> points = readings(indicator, false);

    // Ages: two years by months, or whole years up to past the last measurement.
    int lastDays = 0;
    for (const Reading &p : points)
        lastDays = std::max(lastDays, p.days);
    const bool byMonths = lastDays <= 730;
    const int spanDays = byMonths ? 730 : std::min(text.lastDay, int(std::ceil((lastDays + 1) / 365.25) * 365.25));

    std::vector<std::vector<QPointF>> curves[std::size(Centiles)];
    double low = 1e9, high = -1e9;
    for (size_t c = 0; c < std::size(Centiles); ++c) {
        curves[c] = centileCurve(indicator, sex, Centiles[c].second, spanDays);
        for (const auto &segment : curves[c])
            for (const QPointF &p : segment) {
                low = std::min(low, p.y());
                high = std::max(high, p.y());
            }
    }
    for (const Reading &p : points) {
        low = std::min(low, p.value);
        high = std::max(high, p.value);
    }
    const double yStep = niceStep(high - low, 8);
    low = std::floor(low / yStep) * yStep;
    high = std::ceil(high / yStep) * yStep;

    // Title above, values left, ages below, centile names right.
    QFont font = painter.font();
    font.setPointSizeF(8);
    QFont bold = font;
    bold.setBold(true);
    bold.setPointSizeF(10);
    const QString sexText = sex == who::Sex::Boy ? QStringLiteral("Αγόρια") : QStringLiteral("Κορίτσια");
    painter.setFont(bold);
    painter.setPen(Qt::black);
    const QRectF titleRect(area.left(), area.top(), area.width(), 8 * mm);
    painter.drawText(titleRect, Qt::AlignCenter,
                     QStringLiteral("%1 (%2) — %3").arg(QString::fromUtf8(text.title), QString::fromUtf8(text.unit), sexText));
    const QRectF plot = area.adjusted(14 * mm, 10 * mm, -9 * mm, -12 * mm);
    const auto at = [&](double days, double value) {
        return QPointF(plot.left() + plot.width() * days / spanDays,
                       plot.bottom() - plot.height() * (value - low) / (high - low));
    };

    painter.setFont(font);
    painter.fillRect(plot, Qt::white);
    const QPen gridPen(QColor(210, 210, 210), 0.2 * mm);
    const QPen axisPen(Qt::black, 0.3 * mm);
    for (double v = low; v <= high + yStep / 2; v += yStep) {
        painter.setPen(gridPen);
        painter.drawLine(at(0, v), at(spanDays, v));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), at(0, v).y() - 3 * mm, 12 * mm, 6 * mm), Qt::AlignRight | Qt::AlignVCenter,
                         number(v));
    }
    const int years = int(std::round(spanDays / 365.25));
    const int xTicks = byMonths ? 24 : years;
    const int labelEvery = byMonths ? 3 : (years > 12 ? 2 : 1);
    for (int i = 0; i <= xTicks; ++i) {
        const double days = byMonths ? i * 30.4375 : i * 365.25;
        if (days > spanDays + 1)
            break;
        painter.setPen(gridPen);
        painter.drawLine(at(days, low), at(days, high));
        if (i % labelEvery == 0) {
            painter.setPen(Qt::black);
            painter.drawText(QRectF(at(days, low).x() - 6 * mm, plot.bottom() + 1 * mm, 12 * mm, 5 * mm), Qt::AlignCenter,
                             QString::number(i));
        }
    }
    if (!byMonths) // the first two years change fast: a tick for each month
        for (int month = 1; month < 24; ++month) {
            const QPointF foot = at(month * 30.4375, low);
            painter.setPen(axisPen);
            painter.drawLine(foot, foot - QPointF(0, (month % 12 ? 1 : 0) * mm));
        }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 6 * mm, plot.width(), 5 * mm), Qt::AlignCenter,
                     byMonths ? QStringLiteral("Ηλικία (μήνες)") : QStringLiteral("Ηλικία (έτη)"));
    painter.setPen(axisPen);
    painter.drawRect(plot);

    // The curves, the median strongest, with their centile at the right end.
    painter.setClipRect(plot.adjusted(-1 * mm, -1 * mm, 1 * mm, 1 * mm));
    for (size_t c = 0; c < std::size(Centiles); ++c) {
        const int centile = Centiles[c].first;
        const QColor colour = centile == 50 ? QColor(0, 120, 0) : centile == 15 || centile == 85 ? QColor(220, 140, 0)
                                                                                                 : QColor(200, 0, 0);
        painter.setPen(QPen(colour, (centile == 50 ? 0.5 : 0.35) * mm));
        for (const std::vector<QPointF> &segment : curves[c]) {
            QPainterPath path;
            for (size_t i = 0; i < segment.size(); ++i) {
                const QPointF p = at(segment[i].x(), segment[i].y());
                i == 0 ? path.moveTo(p) : path.lineTo(p);
            }
            painter.drawPath(path);
        }
    }
    painter.setClipping(false);
    for (size_t c = 0; c < std::size(Centiles); ++c)
        if (!curves[c].empty() && !curves[c].back().empty()) {
            const QPointF end = at(curves[c].back().back().x(), curves[c].back().back().y());
            painter.setPen(Qt::black);
            painter.drawText(QRectF(plot.right() + 1 * mm, end.y() - 2.5 * mm, 8 * mm, 5 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::number(Centiles[c].first));
        }

    // The child's measurements, joined in order of age.
    painter.setPen(QPen(QColor(0, 60, 200), 0.45 * mm));
    QPainterPath line;
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF p = at(points[i].days, points[i].value);
        i == 0 ? line.moveTo(p) : line.lineTo(p);
    }
    painter.drawPath(line);
    painter.setBrush(QColor(0, 60, 200));
    for (const Reading &p : points)
        painter.drawEllipse(at(p.days, p.value), 0.9 * mm, 0.9 * mm);
    if (points.empty()) {
        painter.setPen(Qt::black);
        painter.drawText(plot.adjusted(4 * mm, 0, -4 * mm, 0), Qt::AlignCenter | Qt::TextWordWrap, whyEmpty(indicator));
    }
    painter.restore();
}

GrowthChartView::GrowthChartView(const GrowthChart &chart, QWidget *parent) : QWidget(parent), m_chart(chart)
{
    setMinimumSize(760, 520);
    setAccessibleName(QStringLiteral("Καμπύλες ανάπτυξης"));
}

void GrowthChartView::setIndicator(Indicator indicator)
{
    m_indicator = indicator;
    update();
}

void GrowthChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    m_chart.paint(painter, QRectF(rect()).adjusted(4, 4, -4, -4), m_indicator);
}

GrowthChartWindow::GrowthChartWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("GrowthChart"), QStringLiteral("Καμπύλες ανάπτυξης"), parent)
{
    m_indicators = new QComboBox(this);
    m_indicators->setObjectName(QStringLiteral("Indicator"));
    for (const IndicatorText &t : Indicators)
        m_indicators->addItem(QString::fromUtf8(t.title));
    m_view = new GrowthChartView(m_chart, this);
    m_leftOut = new QLabel(this);
    m_leftOut->setObjectName(QStringLiteral("LeftOut"));
    m_leftOut->setWordWrap(true);
    m_leftOut->setMaximumWidth(m_view->minimumWidth());
    connect(m_indicators, &QComboBox::currentIndexChanged, this, &GrowthChartWindow::showIndicator);
    auto *print = new QPushButton(QStringLiteral("Ε&κτύπωση"), this);
    print->setObjectName(QStringLiteral("PrintButton"));
    connect(print, &QPushButton::clicked, this, guarded(&GrowthChartWindow::print));
    QPushButton *exit = look::exitButton(this);

    auto *choice = new QGridLayout;
    look::addField(choice, 0, QStringLiteral("Δείκτης:"), m_indicators);
    auto *reference = new QLabel(QStringLiteral("Αναφορά: WHO 2006 (έως 5 ετών) / WHO 2007 (5–19 ετών). "
                                                "Κάτω των 2 ετών μήκος ξαπλωτό, από 2 ετών όρθιο ύψος."),
                                 this);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(true));
    layout->addLayout(choice);
    layout->addWidget(m_view);
    layout->addWidget(m_leftOut);
    layout->addLayout(look::spreadRow({reference}, {print, exit}));
}

void GrowthChartWindow::showIndicator()
{
    m_view->setIndicator(indicator());
    m_leftOut->setText(m_chart.leftOut(indicator()));
}

Indicator GrowthChartWindow::indicator() const
{
    return Indicators[std::max(0, m_indicators->currentIndex())].indicator;
}

void GrowthChartWindow::load()
{
    connectToDatabase();
    const SexAndBirth child = readSexAndBirth();
    m_chart.sex = child.sex.value_or(who::Sex::Boy);
    m_chart.birth = child.birth;
    DataSet rows(m_connection);
    rows.setSql(QStringLiteral("SELECT HMEROMHNIA, YPSOS, BAROS, PERIMETROS_KEFALHS FROM SWMATOMETRIA WHERE ID=? "
                               "ORDER BY HMEROMHNIA"),
                {childId()});
    rows.open();
    const auto number = [&](int row, const char *column) {
        const QVariant v = rows.value(row, rows.fieldIndex(QLatin1String(column)));
        return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
    };
    m_chart.measurements.clear();
    for (int row = 0; row < rows.recordCount(); ++row)
        m_chart.measurements.push_back({rows.value(row, rows.fieldIndex(QStringLiteral("HMEROMHNIA"))).toDate(),
                                        number(row, "YPSOS"), number(row, "BAROS"), number(row, "PERIMETROS_KEFALHS")});
    showIndicator();
}

void GrowthChartWindow::print()
{
    // The practice's letterhead, as on its receipts: the title, then its address and telephone.
    DataSet practice(m_connection);
    practice.setSql(QStringLiteral("SELECT TITLE, ADDRESS1, ADDRESS2, PHONE FROM INFORMATION"));
    practice.open();
    const auto field = [&](const char *name) {
        return practice.recordCount() > 0 ? practice.value(0, practice.fieldIndex(QLatin1String(name))).toString().trimmed()
                                          : QString();
    };
    QStringList address;
    for (const char *name : {"ADDRESS1", "ADDRESS2"})
        if (!field(name).isEmpty())
            address << field(name);
    if (!field("PHONE").isEmpty())
        address << QStringLiteral("Τηλ.: ") + field("PHONE");
    const QString title = field("TITLE"), addressLine = address.join(QStringLiteral(", "));

    const QString leftOut = m_chart.leftOut(indicator());

    printDrawnPage(QStringLiteral("Καμπύλες ανάπτυξης"), this, [&, this](QPainter &painter, const QRectF &page) {
        const double mm = painter.device()->logicalDpiX() / 25.4;
        QFont font = painter.font();
        const auto write = [&](double top, double height, double size, bool bold, int align, const QString &line) {
            font.setPointSizeF(size);
            font.setBold(bold);
            painter.setFont(font);
            painter.setPen(Qt::black);
            const int vertical = align & Qt::AlignVertical_Mask ? 0 : Qt::AlignVCenter;
            painter.drawText(QRectF(page.left(), top, page.width(), height), align | vertical | Qt::TextWordWrap,
                             line);
        };
        double top = page.top();
        if (!title.isEmpty() || !addressLine.isEmpty()) {
            write(top, 7 * mm, 13, true, Qt::AlignHCenter, title);
            write(top + 7 * mm, 5 * mm, 9, false, Qt::AlignHCenter, addressLine);
            top += 13 * mm;
            painter.setPen(QPen(Qt::black, 0.4 * mm));
            painter.drawLine(QPointF(page.left(), top - mm), QPointF(page.right(), top - mm));
        }
        write(top, 8 * mm, 11, true, Qt::AlignLeft, QStringLiteral("Καμπύλες ανάπτυξης: %1 %2").arg(ChildName, ChildSurname));
        write(top + 8 * mm, 6 * mm, 9, false, Qt::AlignLeft,
              QStringLiteral("Ημερ. Γεννήσεως: %1    Αναφορά: WHO 2006 / WHO 2007")
                  .arg(Regional::current().formatDate(m_chart.birth)));
        top += 16 * mm;
        const double footer = page.bottom() - 6 * mm;
        const double chartHeight = std::min(footer - top - 30 * mm, page.width() * 0.85);
        m_chart.paint(painter, QRectF(page.left(), top, page.width(), chartHeight), indicator());
        top += chartHeight + 3 * mm;
        write(top, 5 * mm, 8, false, Qt::AlignLeft,
              QStringLiteral("Κάτω των 2 ετών μήκος ξαπλωτό, από 2 ετών όρθιο ύψος. WHO 2006 έως 5 ετών, WHO 2007 από 5 ετών."));
        if (!leftOut.isEmpty())
            write(top + 5 * mm, footer - top - 6 * mm, 8, false, Qt::AlignLeft | Qt::AlignTop, leftOut);
        painter.setPen(QPen(Qt::black, 0.2 * mm));
        painter.drawLine(QPointF(page.left(), footer), QPointF(page.right(), footer));
        write(footer + 0.5 * mm, 5 * mm, 8, false, Qt::AlignRight,
              QStringLiteral("Εκτύπωση: ") + Regional::current().formatDate(QDate::currentDate()));
    });
}
