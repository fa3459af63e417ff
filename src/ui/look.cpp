#include "ui/look.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontDatabase>
#include <QGroupBox>
#include <QRadioButton>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace look {

void applyApplicationFont()
{
    const QString family = QFontDatabase::families().contains(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                                                         : QStringLiteral("DejaVu Sans");
    QFont font(family);
    font.setPointSize(8);
    QApplication::setFont(font);
}

void paint(QWidget *window, const QColor &background)
{
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, background);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

QLabel *caption(const QString &text, QWidget *field, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    if (field) {
        label->setBuddy(field);
        QString name = text;
        name.remove(QLatin1Char('&'));
        // A label that shows a value keeps the value as what a screen reader reads; the caption
        // describes it.
        if (qobject_cast<QLabel *>(field))
            field->setAccessibleDescription(name);
        else if (!name.isEmpty())
            field->setAccessibleName(name);
    }
    return label;
}

QLabel *requiredMarker(QWidget *parent)
{
    return note(QStringLiteral("*"), parent);
}

QLabel *note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
    return label;
}

QPushButton *exitButton(QWidget *window)
{
    auto *button = new QPushButton(QStringLiteral("Έ&ξοδος"), window);
    button->setObjectName(QStringLiteral("ExitButton"));
    button->setProperty(ExitButtonProperty, true); // the window presses it on Esc
    QObject::connect(button, &QPushButton::clicked, window, &QWidget::close);
    return button;
}

void pressOnKey(QAbstractButton *button, const QKeySequence &key, QWidget *scope)
{
    QObject::connect(new QShortcut(key, scope), &QShortcut::activated, button, [button] {
        if (button->isEnabled())
            button->click();
    });
}

QHBoxLayout *spreadRow(std::initializer_list<QWidget *> left, std::initializer_list<QWidget *> right)
{
    auto *row = new QHBoxLayout;
    for (QWidget *widget : left)
        row->addWidget(widget);
    row->addStretch();
    for (QWidget *widget : right)
        row->addWidget(widget);
    return row;
}

void nameCalendarButtons(QWidget *calendar)
{
    const std::pair<const char *, QString> names[] = {{"qt_calendar_prevmonth", QStringLiteral("Προηγούμενος μήνας")},
                                                      {"qt_calendar_nextmonth", QStringLiteral("Επόμενος μήνας")}};
    for (const auto &[objectName, name] : names)
        if (QWidget *button = calendar->findChild<QWidget *>(QString::fromLatin1(objectName)))
            button->setAccessibleName(name);
}

void centre(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

QHBoxLayout *addField(QGridLayout *grid, int row, const QString &text, QWidget *field, const QString &marker, int columnSpan)
{
    QWidget *parent = grid->parentWidget();
    grid->addWidget(caption(text, field, parent), row, 0, Qt::AlignRight | Qt::AlignVCenter);
    auto *line = new QHBoxLayout;
    line->addWidget(field);
    if (!marker.isEmpty())
        line->addWidget(note(marker, parent));
    line->addStretch();
    grid->addLayout(line, row, 1, 1, columnSpan);
    return line;
}

QGroupBox *radioGroup(const QString &title, const QStringList &choices, Qt::Orientation orientation,
                      QButtonGroup *&buttons, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    auto *layout = new QBoxLayout(orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, box);
    buttons = new QButtonGroup(box);
    for (int i = 0; i < choices.size(); ++i) {
        auto *radio = new QRadioButton(choices[i], box);
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    if (orientation == Qt::Vertical)
        layout->addStretch();
    return box;
}

} // namespace look
