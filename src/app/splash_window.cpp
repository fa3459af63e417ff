#include "app/splash_window.h"

#include "data/global.h"

#include <QDir>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

QPixmap practicePicture(const QString &fileName)
{
    const QString directory = AppDirectory.isEmpty() ? QDir::currentPath() : AppDirectory;
    return QPixmap(QDir(directory).filePath(fileName), "JPG");
}

SplashWindow::SplashWindow(int milliseconds, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(practicePicture(QStringLiteral("splash.jpg")));
    picture->setScaledContents(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    resize(977, 735);

    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &QDialog::accept);
    timer->start(milliseconds);
}
