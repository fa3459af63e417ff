#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QString>

class DataSet;

namespace report {

// {NAME}, {CONNECTION.NAME}, either with "|text" shown when the value is empty.
const QRegularExpression &placeholderPattern();

// The values a text element may name, for one row of the detail connection.
struct Row {
    const DataSet *data = nullptr;
    int row = -1;
};

// Fills a text's placeholders with the values of a row, the named connections and the
// parameters the window hands over.
class Filler {
public:
    Filler(const Row &row, int count, const QHash<QString, QString> &parameters);

    // Fills every placeholder but the page numbers, which are known only at the end. A part in
    // square brackets that names values is printed only when none of them is empty:
    // "Τηλ.: {PHONE}[   Fax: {FAX}]" leaves out an empty Fax.
    QString fill(const QString &text) const;

    Filler plain() const { return Filler(Row{}, m_count, m_parameters); }

private:
    QString fillValues(const QString &text, bool *anyEmpty) const;
    QString value(const QString &first, const QString &second, const QString &whole) const;

    Row m_row;
    int m_count;
    const QHash<QString, QString> &m_parameters;
};

} // namespace report
