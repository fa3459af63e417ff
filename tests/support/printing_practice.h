#pragma once

#include "fixture.h"

#include <QObject>
#include <memory>

// A test whose every function starts on a fresh practice that prints to a PDF file.
class PrintingPracticeTest : public QObject {
    Q_OBJECT
protected:
    Connection connect() { return m_practice->connect(); }
    // The text of the pages printed so far.
    QString printed() { return pdfText(m_pdf); }

    std::unique_ptr<TestPractice> m_practice;
    QString m_pdf;

private slots:
    void init()
    {
        m_practice = std::make_unique<TestPractice>();
        m_pdf = m_practice->useForPrinting();
    }
    void cleanup() { m_practice.reset(); }
};
