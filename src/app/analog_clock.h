#pragma once

#include <QWidget>

// The main window's clock face: hour, minute and second hands over a transparent face.
class AnalogClock : public QWidget {
    Q_OBJECT
public:
    explicit AnalogClock(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {145, 153}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};
