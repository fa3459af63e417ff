#pragma once

#include "fixture.h"
#include "data/global.h"

#include <QObject>
#include <memory>

// A test whose every function starts on a fresh practice, the one the program works in.
class PracticeTest : public QObject {
    Q_OBJECT
protected:
    Connection connect() { return m_practice->connect(); }
    // What a program's every test starts from beyond the practice (its rows, a printer), and
    // puts away before the practice goes.
    virtual void setUpPractice() {}
    virtual void tearDownPractice() {}

    std::unique_ptr<TestPractice> m_practice;

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        DbConnectionString = m_practice->connectionString();
        setUpPractice();
    }
    void cleanup()
    {
        tearDownPractice();
        m_practice.reset();
    }
};

// The same, printing to a PDF file.
class PrintingPracticeTest : public PracticeTest {
    Q_OBJECT
protected:
    // The text of the pages printed so far.
    QString printed() { return pdfText(m_pdf); }

    QString m_pdf;

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_pdf = m_practice->useForPrinting();
        setUpPractice();
    }
};
