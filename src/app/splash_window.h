#pragma once

#include <QDialog>

// TForm4: the picture shown at start and at exit; it closes itself after its time.
class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(int milliseconds = 3000, QWidget *parent = nullptr);
};

// A picture of the practice folder (the program's working directory); a null pixmap when the
// file is missing or cannot be read, so that a lost picture never stops the program.
QPixmap practicePicture(const QString &fileName);
