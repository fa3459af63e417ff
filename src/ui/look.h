#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <initializer_list>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QGridLayout;
class QHBoxLayout;
class QKeySequence;
class QLabel;
class QPushButton;
class QWidget;

// The shared look of the program's windows.
namespace look {

inline const QColor SkyBlue{0xA6, 0xCA, 0xF0};
inline const QColor Cream{0xFF, 0xFB, 0xF0};

// The title every message box carries.
inline const QString ApplicationTitle = QStringLiteral("Velmora Created by Torvane");

// The program's font (Tahoma 8, or DejaVu Sans where Tahoma is missing) for the whole application.
void applyApplicationFont();

// Background colour for a window; fixed-size windows get their frame without resizing.
void paint(QWidget *window, const QColor &background = SkyBlue);

// A bold caption label, buddy of `field` so that the field's accessible name is the caption.
QLabel *caption(const QString &text, QWidget *field, QWidget *parent);
// Caption, field and (for a required column) its red marker on one row of a grid; the
// returned row takes whatever else stands right of the field.
QHBoxLayout *addField(QGridLayout *grid, int row, const QString &text, QWidget *field, const QString &marker = {},
                      int columnSpan = 1);
// A framed group of radio buttons, one a choice, numbered from 0 in `buttons` (a child of the
// box), as a window's sort choices; a column of them keeps to the top of the box.
QGroupBox *radioGroup(const QString &title, const QStringList &choices, Qt::Orientation orientation,
                      QButtonGroup *&buttons, QWidget *parent);
// The red bold "*" beside a required field.
QLabel *requiredMarker(QWidget *parent);
// A red bold note, as the password windows carry.
QLabel *note(const QString &text, QWidget *parent);
// "Έ&ξοδος": closes its window and also answers Esc.
QPushButton *exitButton(QWidget *window);
inline constexpr char ExitButtonProperty[] = "exitButton";

// A key that presses `button`, while it is enabled, anywhere in the window `scope` belongs to.
void pressOnKey(QAbstractButton *button, const QKeySequence &key, QWidget *scope);

// A row of buttons and the like: `left` at its left edge, `right` at its right, room between.
QHBoxLayout *spreadRow(std::initializer_list<QWidget *> left, std::initializer_list<QWidget *> right);

// Names a month calendar's previous/next buttons for screen readers (they show only arrows).
void nameCalendarButtons(QWidget *calendar);

// Centres a top-level window on the screen it will show on.
void centre(QWidget *window);

} // namespace look
