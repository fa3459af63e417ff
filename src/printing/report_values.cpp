#include "printing/report_values.h"

#include "data/dataset.h"
#include "data/regional.h"
#include "printing/data_connections.h"

#include <QDate>
#include <algorithm>

namespace report {

const QRegularExpression &placeholderPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("\\{([A-Za-z0-9_]+)(?:\\.([A-Za-z0-9_\\-]+))?(?:\\|([^{}]*))?\\}"));
    return pattern;
}

namespace {

QString fieldOf(const DataSet *data, int row, const QString &field)
{
    if (!data || !data->isOpen() || row < 0 || row >= data->recordCount())
        return {};
    const int column = data->fieldIndex(field);
    return column < 0 ? QString() : displayText(data->value(row, column));
}

// NAME of {NAME}: letters, digits and underscores.
bool isPlainName(QStringView name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
    });
}

} // namespace

Filler::Filler(const Row &row, int count, const QHash<QString, QString> &parameters)
    : m_row(row), m_count(count), m_parameters(parameters)
{
}

QString Filler::fill(const QString &text) const
{
    if (!text.contains(QLatin1Char('{')))
        return text;
    // A list's column is one value of the row, filled thousands of times: no pattern to match.
    if (const QStringView name = QStringView(text).sliced(1).chopped(1);
        text.front() == QLatin1Char('{') && text.back() == QLatin1Char('}') && isPlainName(name))
        return value(name.toString(), {}, text);
    QString out;
    qsizetype last = 0;
    for (qsizetype open = text.indexOf(QLatin1Char('[')); open >= 0; open = text.indexOf(QLatin1Char('['), last)) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), open);
        if (close < 0)
            break;
        const QString inner = text.mid(open + 1, close - open - 1);
        if (inner.contains(QLatin1Char('[')) || !placeholderPattern().match(inner).hasMatch()) {
            out += fillValues(text.mid(last, open + 1 - last), nullptr);
            last = open + 1;
            continue;
        }
        out += fillValues(text.mid(last, open - last), nullptr);
        bool anyEmpty = false;
        const QString filled = fillValues(inner, &anyEmpty);
        if (!anyEmpty)
            out += filled;
        last = close + 1;
    }
    return out + fillValues(text.mid(last), nullptr);
}

QString Filler::fillValues(const QString &text, bool *anyEmpty) const
{
    QString out;
    qsizetype last = 0;
    auto it = placeholderPattern().globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QString filled = value(m.captured(1), m.captured(2), m.captured(0));
        if (anyEmpty && filled.trimmed().isEmpty())
            *anyEmpty = true;
        out += filled.isEmpty() ? m.captured(3) : filled;
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

QString Filler::value(const QString &first, const QString &second, const QString &whole) const
{
    if (second.isEmpty()) {
        if (first == QLatin1String("PAGE") || first == QLatin1String("PAGES"))
            return whole;
        if (first == QLatin1String("DATE"))
            return Regional::current().formatDate(QDate::currentDate());
        if (first == QLatin1String("COUNT"))
            return QString::number(m_count);
        if (const auto found = m_parameters.constFind(first); found != m_parameters.constEnd())
            return *found;
        return fieldOf(m_row.data, m_row.row, first);
    }
    const DataSet *other = data_connections::find(first);
    return fieldOf(other, 0, second);
}

} // namespace report
