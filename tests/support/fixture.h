#pragma once

#include "ui/application.h"
#include "data/connection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh practice folder with a new data.mdb and its data.key, made the way `velmora-db create`
// makes them (the factory-default password opens them). The files are copied from a pair made
// once per test run, so that every test starts clean without paying for a new key each time.
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

// Registers a child with every required column filled in, on any engine; returns the child's ID.
int addChild(Connection &c, const QString &name = QStringLiteral("Νίκος"), const QString &surname = QStringLiteral("Παπαδάκης"),
             QDate birth = QDate(2010, 1, 1), const QString &sex = QStringLiteral("ΑΡΡΕΝ"));

// A data.mdb as the program wrote it before key files: keyed with the old constant, the access
// password in plain text in SECURITY, and one diet row ("Παλιά δίαιτα") to follow.
void createOldLayoutFile(const QString &dataFile, const QString &password);

// As the set-password window and the recovery key's «Συνέχεια» leave a practice, without the
// new data key (which the tests of re-keying make themselves): returns the recovery key.
QString setOwnPassword(const QString &dataFile, const QString &current, const QString &password);

// The permission bits of a file or folder (0600, 0700 …).
int fileMode(const QString &path);

// The text of a PDF file, as poppler's pdftotext reads it back (layout kept).
QString pdfText(const QString &path);

// Those of the words that the text holds, in the order they stand there.
QStringList order(const QString &text, const QStringList &words);

// Runs several test objects in one program and sums their failures.
// clang-format off
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
// clang-format on
