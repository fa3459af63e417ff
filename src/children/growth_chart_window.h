#pragma once

#include "ui/child_window.h"
#include "clinical/who_growth.h"

#include <QWidget>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPainter;

// One child's measurements over the WHO centile curves (3, 15, 50, 85, 97) of one indicator.
struct GrowthChart {
    struct Measurement {
        QDate date;
        std::optional<double> height, weight, head;
    };
    who::Sex sex = who::Sex::Boy;
    QDate birth;
    std::vector<Measurement> measurements;

    struct Reading {
        QDate date;
        int days;
        double value;
    };
    // The child's readings of `indicator` drawn on the chart, or those left off it as implausible.
    std::vector<Reading> readings(who::Indicator indicator, bool implausible) const;
    // Readings at ages past the oldest the reference reaches (head circumference: 5 years).
    std::vector<Reading> beyondReference(who::Indicator indicator) const;
    // Why no point is drawn: no reading, readings beyond the reference's ages, or implausible ones.
    QString whyEmpty(who::Indicator indicator) const;
    // The readings left off the chart, with their dates, as the window and the page list them
    // under it; empty when none.
    QString leftOut(who::Indicator indicator) const;

    // One centile curve (days, value) up to `spanDays`, in pieces that end where length gives way
    // to height (730/731 days) and where WHO 2006 gives way to WHO 2007 (1856/1857 days).
    static std::vector<std::vector<QPointF>> centileCurve(who::Indicator indicator, who::Sex sex, double z,
                                                          int spanDays);

    // Draws the chart into `area` of any painter: the window, a printer, a PDF file.
    void paint(QPainter &painter, const QRectF &area, who::Indicator indicator) const;
};

// The chart as a widget: repaints when the indicator changes.
class GrowthChartView : public QWidget {
    Q_OBJECT
public:
    GrowthChartView(const GrowthChart &chart, QWidget *parent = nullptr);
    void setIndicator(who::Indicator indicator);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const GrowthChart &m_chart;
    who::Indicator m_indicator = who::Indicator::WeightForAge;
};

// «Καμπύλες ανάπτυξης»: the chart of the child handed over, one indicator at a time, printable
// on one A4 page with the child's name, birth date and the reference.
class GrowthChartWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit GrowthChartWindow(QWidget *parent = nullptr);
    const GrowthChart &chart() const { return m_chart; }

protected:
    void load() override;

private:
    void print();
    void showIndicator();
    who::Indicator indicator() const;

    GrowthChart m_chart;
    QComboBox *m_indicators;
    GrowthChartView *m_view;
    QLabel *m_leftOut; // the readings the chart leaves out
};
