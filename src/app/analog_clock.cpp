#include "app/analog_clock.h"

#include <QPainter>
#include <QTime>
#include <QTimer>

AnalogClock::AnalogClock(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Clock"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(145, 153);
    auto *tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    tick->start(1000);
}

void AnalogClock::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    painter.scale(side / 200.0, side / 200.0);

    painter.setPen(QPen(Qt::black, 2));
    for (int i = 0; i < 60; ++i) {
        painter.drawLine(i % 5 ? 88 : 80, 0, 94, 0);
        painter.rotate(6.0);
    }
    const QTime now = QTime::currentTime();
    const auto hand = [&](double degrees, const QColor &colour, int thickness, int length) {
        painter.save();
        painter.rotate(degrees);
        painter.setPen(QPen(colour, thickness, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(0, 8, 0, -length);
        painter.restore();
    };
    hand(30.0 * ((now.hour() % 12) + now.minute() / 60.0), QColor(Qt::cyan), 5, 50);
    hand(6.0 * (now.minute() + now.second() / 60.0), QColor(0x00, 0x80, 0x80), 3, 72);
    hand(6.0 * now.second(), QColor(Qt::black), 1, 84);
}
