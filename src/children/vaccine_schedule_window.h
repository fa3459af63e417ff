#pragma once

#include "ui/record_window.h"

class SetPages;

// «Πρόγραμμα εμβολιασμών»: the schedule versions the practice keeps, each with its circular and
// date, and the doses, products and rules of each. The version in force is never changed in
// place: the doctor makes a copy under a new name and date, edits it, and puts it in force once
// it stands. Each version keeps rows of its own in every table, so that a copy's edits never
// reach the version in force nor the evaluations made with it.
class VaccineScheduleWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit VaccineScheduleWindow(QWidget *parent = nullptr);
    DataSet &doses() { return m_doses; }
    DataSet &products() { return m_products; }
    DataSet &rules() { return m_rules; }

    void copyVersion();
    void putInForce();

private:
    QWidget *versionsPage();
    QWidget *dosesPage();
    QWidget *productsPage();
    QWidget *rulesPage();
    // A page's record bar: a row is stored or removed only while the version as a whole stands.
    QWidget *partBar(DataSet &part, const QString &name);
    void readParts();
    qint64 version() const;
    bool inForce() const;
    void refuseInForce() const;
    // The version as its pages hold it, `changed`'s row `leaving` left out (-1: none), checked
    // whole; throws naming what cannot stand.
    void checkVersion(const DataSet &changed, int leaving);
    void refuseLosingRecordedProduct(const DataSet &part, bool removing);

    DataSet m_doses{m_connection, this};
    DataSet m_products{m_connection, this};
    DataSet m_rules{m_connection, this};
    QString m_productAsStored; // the name of the product row being edited, as it was read
    SetPages *m_pages;
};
