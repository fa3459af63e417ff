#include "ui/accelerators.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

// Alt with a key presses the accelerator of the letter that key gives on the Greek layout,
// whichever layout sent it, and an Alt+letter that presses nothing types nothing.
class AcceleratorTest : public QObject {
    Q_OBJECT
private slots:
    void altKeyPressesTheGreekLayoutsAccelerator_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");    // what the active layout gives for the key
        QTest::addColumn<QString>("pressed"); // the button pressed; empty where none
        QTest::newRow("Latin layout, υ") << int(Qt::Key_Y) << "y"
                                         << "Health";
        QTest::newRow("Latin layout, κ") << int(Qt::Key_K) << "k"
                                         << "Cancel";
        QTest::newRow("Greek layout, κ") << int(0x39A) << "κ"
                                         << "Cancel";
        QTest::newRow("Latin layout, Latin caption") << int(Qt::Key_N) << "n"
                                                     << "No";
        QTest::newRow("Greek layout, Latin caption") << int(0x39D) << "ν"
                                                     << "No";
        QTest::newRow("Latin layout, no accelerator") << int(Qt::Key_J) << "j"
                                                      << "";
        QTest::newRow("Greek layout, no accelerator") << int(0x39E) << "ξ"
                                                      << "";
    }
    void altKeyPressesTheGreekLayoutsAccelerator()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(QString, pressed);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new QLineEdit(QStringLiteral("ab"), &window);
        layout->addWidget(field);
        QStringList clicks;
        for (const auto &[name, caption] : {std::pair{"Health", "Δελτίο &υγείας"}, {"Cancel", "Α&κύρωση"}, {"No", "&No"}}) {
            auto *button = new QPushButton(QString::fromUtf8(caption), &window);
            button->setObjectName(name);
            connect(button, &QPushButton::clicked, this, [&clicks, name] { clicks << name; });
            layout->addWidget(button);
        }
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus();
        field->end(false);
        QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, text);
        QApplication::sendEvent(field, &press);
        QTRY_COMPARE(clicks, pressed.isEmpty() ? QStringList() : QStringList{pressed});
        QCOMPARE(field->text(), QString("ab"));
    }

    // In an open menu the plain key of the Latin layout chooses the item of its Greek letter;
    // σ and ς are one letter.
    void latinKeyChoosesInAGreekMenu()
    {
        QWidget window;
        auto *bar = new QMenuBar(&window);
        QMenu *options = bar->addMenu(QStringLiteral("Ε&πιλογές"));
        // A command of the bar itself is given at once, as on the Greek layout.
        QAction *exit = bar->addAction(QStringLiteral("Έ&ξοδος"));
        QSignalSpy left(exit, &QAction::triggered);
        QAction *print = options->addAction(QStringLiteral("Εκτύπω&ση"));
        QAction *password = options->addAction(QStringLiteral("Αλλαγή του &κωδικού πρόσβασης"));
        QSignalSpy printed(print, &QAction::triggered), changed(password, &QAction::triggered);
        window.resize(300, 200);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.setFocus();
        QKeyEvent leave(QEvent::KeyPress, Qt::Key_J, Qt::AltModifier, QStringLiteral("j")); // ξ
        QApplication::sendEvent(&window, &leave);
        QCOMPARE(left.count(), 1);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QKeyEvent open(QEvent::KeyPress, Qt::Key_P, Qt::AltModifier, QStringLiteral("p"));
        QApplication::sendEvent(&window, &open);
        QTRY_COMPARE(QApplication::activePopupWidget(), options);
        QKeyEvent choose(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, QStringLiteral("w")); // ς
        QApplication::sendEvent(options, &choose);
        QTRY_COMPARE(printed.count(), 1);
        QCOMPARE(changed.count(), 0);
    }
};

QObject *newAcceleratorTest()
{
    return new AcceleratorTest;
}

#include "tst_accelerators.moc"
