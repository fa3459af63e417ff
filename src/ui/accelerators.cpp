#include "ui/accelerators.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

namespace {

// The standard Greek layout over the Latin keys A to Z; Q has no letter of its own there.
constexpr char16_t greekOverLatin[] = u"αβψδεφγηιξκλμνοπ\0ρστθωςχυζ";

QChar letterWithoutAccent(QChar c)
{
    const QString bare = QString(c).normalized(QString::NormalizationForm_D);
    return bare.isEmpty() ? c : bare.at(0).toLower();
}

// The accelerator letter of a caption ("Ε&πιλογές" gives π), without accent, or a null QChar.
QChar acceleratorLetter(const QString &caption)
{
    for (qsizetype i = caption.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf(QLatin1Char('&'), i + 2)) {
        if (caption.at(i + 1) != QLatin1Char('&'))
            return letterWithoutAccent(caption.at(i + 1));
    }
    return {};
}

bool answers(const QString &caption, QChar greek, QChar latin)
{
    const QChar letter = acceleratorLetter(caption);
    if (letter.isNull())
        return false;
    // σ and final ς are one accelerator, as they are one letter.
    const auto same = [](QChar a, QChar b) {
        const auto folded = [](QChar c) { return c == u'ς' ? QChar(u'σ') : c; };
        return !b.isNull() && folded(a) == folded(b);
    };
    return same(letter, greek) || same(letter, latin);
}

bool usable(QWidget *widget, QWidget *window)
{
    return widget->isVisibleTo(window) && widget->isEnabled() && widget->window() == window;
}

// Presses what answers the letters in `window`: a button, a caption's field, a tab, a menu.
bool pressAccelerator(QWidget *window, QChar greek, QChar latin)
{
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (usable(button, window) && answers(button->text(), greek, latin)) {
            button->setFocus(Qt::ShortcutFocusReason);
            button->animateClick();
            return true;
        }
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy() && usable(label->buddy(), window) && answers(label->text(), greek, latin)) {
            label->buddy()->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    for (QTabBar *tabs : window->findChildren<QTabBar *>())
        for (int i = 0; usable(tabs, window) && i < tabs->count(); ++i)
            if (tabs->isTabEnabled(i) && answers(tabs->tabText(i), greek, latin)) {
                tabs->setCurrentIndex(i);
                return true;
            }
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        for (QAction *action : bar->actions())
            if (usable(bar, window) && action->isVisible() && action->isEnabled() &&
                answers(action->text(), greek, latin)) {
                // A menu opens; a command of the bar itself ("Έ&ξοδος") is given at once.
                if (action->menu())
                    bar->setActiveAction(action);
                else
                    action->trigger();
                return true;
            }
    return false;
}

class LayoutAccelerators : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const QChar greek = greekLetterOfKey(key->key()), latin = latinLetterOfKey(key->key());
        if (greek.isNull() && latin.isNull())
            return false;
        // An open menu reads its items' letters from the key's text: hand it the Greek letter.
        auto *menu = qobject_cast<QMenu *>(watched);
        if (menu && menu == QApplication::activePopupWidget() && !greek.isNull() &&
            (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier) && key->text() != QString(greek)) {
            bool pressed = false;
            for (QAction *action : menu->actions())
                if (action->isVisible() && action->isEnabled() && answers(action->text(), greek, QChar()))
                    pressed = true;
            if (!pressed)
                return false; // a Latin caption's letter, or none: the menu reads the key as it is
            QKeyEvent translated(QEvent::KeyPress, greek.toUpper().unicode(), key->modifiers(), QString(greek));
            QApplication::sendEvent(menu, &translated);
            return true;
        }
        // Alt+letter that reached a widget: no shortcut of the active layout took it.
        if (modifiers != Qt::AltModifier && modifiers != (Qt::AltModifier | Qt::ShiftModifier))
            return false;
        if (!watched->isWidgetType() || QApplication::activePopupWidget())
            return false;
        QWidget *window = static_cast<QWidget *>(watched)->window();
        if (window != QApplication::activeWindow())
            return false;
        pressAccelerator(window, greek, latin);
        return true; // pressed or not, the letter is never typed
    }
};

} // namespace

QChar greekLetterOfKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(greekOverLatin[key - Qt::Key_A]);
    const QChar typed = QChar(char16_t(key)).toLower();
    if (key < 0x10000 && typed.script() == QChar::Script_Greek && typed.isLetter())
        return letterWithoutAccent(typed);
    return {};
}

QChar latinLetterOfKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(char16_t(u'a' + (key - Qt::Key_A)));
    const QChar greek = greekLetterOfKey(key);
    for (int i = 0; !greek.isNull() && i < 26; ++i)
        if (QChar(greekOverLatin[i]) == greek)
            return QChar(char16_t(u'a' + i));
    return {};
}

void installLayoutAccelerators(QObject *application)
{
    application->installEventFilter(new LayoutAccelerators(application));
}
