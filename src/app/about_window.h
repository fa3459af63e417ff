#pragma once

#include <QDialog>

// TForm62: product, version, pictures and the maker's contact details.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
};

inline const QString MakerWebPage = QStringLiteral("https://www.torvane.example/velmora");
inline const QString MakerMail = QStringLiteral("mailto:info@torvane.example");
void openMakerPage(const QString &address = MakerWebPage);
