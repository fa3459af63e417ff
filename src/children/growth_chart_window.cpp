#include "growth_chart_window.h"

#include "regional.h"
#include "report_project.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

using who::Indicator;

namespace {

struct IndicatorText {
    Indicator indicator;
    const char *title;
    const char *unit;
    int lastDay; // the oldest age the references reach
};

const IndicatorText Indicators[] = {
    {Indicator::WeightForAge, "Βάρος για την ηλικία", "kg", 3652},
    {Indicator::LengthHeightForAge, "Μήκος/ύψος για την ηλικία", "cm", 6939},
    {Indicator::BmiForAge, "Δείκτης μάζας σώματος για την ηλικία", "kg/m²", 6939},
    {Indicator::HeadForAge, "Περίμετρος κεφαλής για την ηλικία", "cm", 1856},
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

void GrowthChart::paint(QPainter &painter, const QRectF &area, Indicator indicator) const
{
    const IndicatorText &text = textOf(indicator);
    const double mm = painter.device()->logicalDpiX() / 25.4;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    // The child's points that the reference covers and that are not beyond WHO's flags.
    struct Point {
        int days;
        double value;
    };
    std::vector<Point> points;
    for (const Measurement &m : measurements) {
        const int days = who::ageInDays(birth, m.date);
        const std::optional<double> value = valueOf(m, indicator);
        if (!value)
            continue;
        const std::optional<double> z = who::zScore(indicator, sex, days, *value);
        if (z && !who::implausible(indicator, *z))
            points.push_back({days, *value});
    }

    // Ages: two years by months, or whole years up to past the last measurement.
    int lastDays = 0;
    for (const Point &p : points)
        lastDays = std::max(lastDays, p.days);
    const bool byMonths = lastDays <= 730;
    const int spanDays = byMonths ? 730 : std::min(text.lastDay, int(std::ceil((lastDays + 1) / 365.25) * 365.25));

    // The curves, sampled about every 1/300 of the span; split where length gives way to height.
    const int sampleStep = std::max(1, spanDays / 300);
    std::vector<std::vector<QPointF>> curves[std::size(Centiles)];
    double low = 1e9, high = -1e9;
    for (size_t c = 0; c < std::size(Centiles); ++c) {
        std::vector<QPointF> segment;
        for (int days = 0; days <= spanDays; days = days < spanDays ? std::min(spanDays, days + sampleStep) : spanDays + 1) {
            if (days == 731 && !segment.empty()) {
                curves[c].push_back(segment);
                segment.clear();
            }
            const std::optional<who::Lms> lms = who::reference(indicator, sex, days);
            if (!lms)
                continue;
            const double value = lms->value(Centiles[c].second);
            segment.push_back({double(days), value});
            low = std::min(low, value);
            high = std::max(high, value);
        }
        curves[c].push_back(segment);
    }
    for (const Point &p : points) {
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
    for (const Point &p : points)
        painter.drawEllipse(at(p.days, p.value), 0.9 * mm, 0.9 * mm);
    if (points.empty()) {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("Καμία μέτρηση για αυτόν τον δείκτη"));
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
    connect(m_indicators, &QComboBox::currentIndexChanged, this, [this] { m_view->setIndicator(indicator()); });
    auto *print = new QPushButton(QStringLiteral("Ε&κτύπωση"), this);
    print->setObjectName(QStringLiteral("PrintButton"));
    connect(print, &QPushButton::clicked, this, &GrowthChartWindow::print);
    QPushButton *exit = look::exitButton(this);

    auto *choice = new QGridLayout;
    addField(choice, 0, QStringLiteral("Δείκτης:"), m_indicators);
    auto *reference = new QLabel(QStringLiteral("Αναφορά: WHO 2006 (έως 5 ετών) / WHO 2007 (5–19 ετών). "
                                                "Κάτω των 2 ετών μήκος ξαπλωτό, από 2 ετών όρθιο ύψος."),
                                 this);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(true));
    layout->addLayout(choice);
    layout->addWidget(m_view);
    layout->addLayout(look::spreadRow({reference}, {print, exit}));
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
    rows.setSql(QStringLiteral("SELECT HMEROMHNIA, YPSOS, BAROS, PERIMETROS_KEFALHS FROM SWMATOMETRIA WHERE ID=") + ChildID +
                QStringLiteral(" ORDER BY HMEROMHNIA"));
    rows.open();
    const auto number = [&](int row, const char *column) {
        const QVariant v = rows.value(row, rows.fieldIndex(QLatin1String(column)));
        return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
    };
    m_chart.measurements.clear();
    for (int row = 0; row < rows.recordCount(); ++row)
        m_chart.measurements.push_back({rows.value(row, rows.fieldIndex(QStringLiteral("HMEROMHNIA"))).toDate(),
                                        number(row, "YPSOS"), number(row, "BAROS"), number(row, "PERIMETROS_KEFALHS")});
    m_view->setIndicator(indicator());
}

void GrowthChartWindow::print()
{
    printDrawnPage(QStringLiteral("Καμπύλες ανάπτυξης"), this, [this](QPainter &painter, const QRectF &page) {
        const double mm = painter.device()->logicalDpiX() / 25.4;
        QFont font = painter.font();
        font.setPointSizeF(11);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(page.left(), page.top(), page.width(), 8 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Καμπύλες ανάπτυξης: %1 %2").arg(ChildName, ChildSurname));
        font.setPointSizeF(9);
        font.setBold(false);
        painter.setFont(font);
        painter.drawText(QRectF(page.left(), page.top() + 8 * mm, page.width(), 6 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Ημερ. Γεννήσεως: %1    Αναφορά: WHO 2006 / WHO 2007")
                             .arg(Regional::current().formatDate(m_chart.birth)));
        const double chartHeight = std::min(page.height() - 18 * mm, page.width() * 0.85);
        m_chart.paint(painter, QRectF(page.left(), page.top() + 18 * mm, page.width(), chartHeight), indicator());
    });
}
