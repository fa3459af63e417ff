#pragma once

#include "application.h"
#include "connection.h"

#include <QString>
#include <QTemporaryDir>

// A fresh practice folder with a new data.mdb, made the way `velmora-db create` makes it.
// The file is copied from one made once per test run, so that every test starts clean
// without paying for a new encryption key each time.
class TestPractice {
public:
    TestPractice();
    QString directory() const { return m_dir.path(); }
    QString dataFile() const;
    QString connectionString() const;
    Connection connect() const;
    // Makes this the practice the program works in, with its report files, and sends every
    // printout to a PDF file without any window; returns that file's path.
    QString useForPrinting() const;

private:
    QTemporaryDir m_dir;
};

// The text of a PDF file, as poppler's pdftotext reads it back (layout kept).
QString pdfText(const QString &path);

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
