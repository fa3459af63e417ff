#include "app/about_window.h"

#include "ui/look.h"
#include "app/splash_window.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

void openMakerPage(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address)); // not waited for; a failure is not reported
}

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm62"));
    setWindowTitle(QStringLiteral("About Velmora"));
    look::paint(this);

    auto *product = new QLabel(QStringLiteral("Velmora"), this);
    QFont large = product->font();
    large.setPointSize(20);
    large.setBold(true);
    product->setFont(large);
    auto *version = new QLabel(QStringLiteral("Version 2.0.0"), this);
    version->setObjectName(QStringLiteral("Version"));
    auto *maker = new QLabel(QStringLiteral("Torvane\nΠρόγραμμα διαχείρισης παιδιατρικού ιατρείου"), this);
    const auto link = [this](const QString &text, const QString &address) {
        auto *label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(address, text), this);
        connect(label, &QLabel::linkActivated, this, [](const QString &target) { openMakerPage(target); });
        return label;
    };
    auto *picture = new QLabel(this);
    picture->setPixmap(practicePicture(QStringLiteral("about.jpg")));
    auto *logo = new QLabel(this);
    logo->setPixmap(practicePicture(QStringLiteral("torvane.jpg")));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 5, 1);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(maker, 2, 1);
    grid->addWidget(link(QStringLiteral("www.torvane.example"), MakerWebPage), 3, 1);
    grid->addWidget(link(QStringLiteral("info@torvane.example"), MakerMail), 4, 1);
    grid->addWidget(logo, 0, 2, 3, 1);
    grid->addWidget(ok, 5, 0, 1, 3, Qt::AlignCenter);
}
