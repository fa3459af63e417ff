#pragma once

#include "application.h"
#include "connection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh practice folder with a new data.mdb, made the way `velmora-db create` makes it.
// The file is copied from one made once per test run, so that every test starts clean
// without paying for a new encryption key each time.
class TestPractice {
public:
    TestPractice();
    ~TestPractice();
    QString directory() const { return m_dir.path(); }
    QString dataFile() const;
    QString connectionString() const;
    Connection connect() const;
    // Makes this the practice the program works in, with its report files, and sends every
    // printout to a PDF file without any window, until the practice goes; returns that file's path.
    QString useForPrinting() const;
    // Registers a child with every required column filled in; returns the child's ID.
    int addChild(const QString &name = QStringLiteral("Νίκος"), const QString &surname = QStringLiteral("Παπαδάκης"),
                 QDate birth = QDate(2010, 1, 1), const QString &sex = QStringLiteral("ΑΡΡΕΝ")) const;

private:
    QTemporaryDir m_dir;
    mutable bool m_printing = false;
};

// The text of a PDF file, as poppler's pdftotext reads it back (layout kept).
QString pdfText(const QString &path);

// Those of the words that the text holds, in the order they stand there.
QStringList order(const QString &text, const QStringList &words);

// Runs several test objects in one program and sums their failures.
#define VELMORA_TEST_MAIN(...)                                                                                  \
    int main(int argc, char *argv[])                                                                            \
    {                                                                                                           \
        Application app(argc, argv);                                                                            \
        int failures = 0;                                                                                       \
        for (QObject *test : std::initializer_list<QObject *>{__VA_ARGS__}) {                                   \
            failures += QTest::qExec(test, argc, argv);                                                         \
            delete test;                                                                                        \
        }                                                                                                       \
        return failures == 0 ? 0 : 1;                                                                           \
    }
