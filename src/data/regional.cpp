#include "regional.h"

#include <charconv>
#include <cmath>

const Regional &Regional::current()
{
    static const Regional greek;
    return greek;
}

namespace {

enum class Order { DMY, MDY, YMD };

Order dateOrder(const QString &format)
{
    const auto d = format.indexOf(QLatin1Char('d'), 0, Qt::CaseInsensitive);
    const auto m = format.indexOf(QLatin1Char('M'), 0, Qt::CaseInsensitive);
    const auto y = format.indexOf(QLatin1Char('y'), 0, Qt::CaseInsensitive);
    if (y < d && y < m)
        return Order::YMD;
    return m < d ? Order::MDY : Order::DMY;
}

struct Scanner {
    const QString &text;
    qsizetype pos = 0;

    void skipBlanks()
    {
        while (pos < text.size() && text.at(pos) == QLatin1Char(' '))
            ++pos;
    }
    // A run of digits that stops once its value reaches 1000.
    bool number(int &value, int &digits)
    {
        skipBlanks();
        value = 0;
        digits = 0;
        while (pos < text.size() && text.at(pos).isDigit() && text.at(pos).unicode() < 128) {
            value = value * 10 + text.at(pos).digitValue();
            ++digits;
            ++pos;
            if (value >= 1000)
                break;
        }
        return digits > 0;
    }
    bool separator(QChar sep)
    {
        skipBlanks();
        if (pos < text.size() && text.at(pos) == sep) {
            ++pos;
            return true;
        }
        return false;
    }
    bool atEnd()
    {
        skipBlanks();
        return pos >= text.size();
    }
};

} // namespace

std::optional<QDate> Regional::parseDate(const QString &text, const QDate &today) const
{
    Scanner scan{text};
    int values[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        if (!scan.number(values[count], digits[count]))
            return std::nullopt;
        ++count;
        if (!scan.separator(dateSeparator))
            break;
        if (scan.atEnd())
            break; // one separator may follow the last number
    }
    if (!scan.atEnd() || count < 2)
        return std::nullopt;

    int day = 0, month = 0, year = today.year();
    int yearDigits = 4;
    const Order order = dateOrder(shortDateFormat);
    if (count == 3) {
        switch (order) {
        case Order::DMY: day = values[0], month = values[1], year = values[2], yearDigits = digits[2]; break;
        case Order::MDY: month = values[0], day = values[1], year = values[2], yearDigits = digits[2]; break;
        case Order::YMD: year = values[0], yearDigits = digits[0], month = values[1], day = values[2]; break;
        }
    } else if (order == Order::MDY) {
        month = values[0], day = values[1];
    } else if (order == Order::YMD) {
        month = values[0], day = values[1];
    } else {
        day = values[0], month = values[1];
    }

    if (yearDigits <= 2) {
        const int windowStart = today.year() - 50;
        int century = (windowStart / 100) * 100;
        year += century;
        if (year < windowStart)
            year += 100;
    }
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

QString Regional::formatDate(const QDate &date) const
{
    return date.isValid() ? date.toString(shortDateFormat) : QString();
}

QString Regional::formatTime(const QTime &time) const
{
    return time.toString(longTimeFormat);
}

std::optional<double> Regional::parseNumber(const QString &text) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QByteArray ascii;
    ascii.reserve(trimmed.size());
    bool seenSeparator = false, seenDigit = false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c == decimalSeparator && !seenSeparator) {
            seenSeparator = true;
            ascii += '.';
        } else if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && i == 0) {
            ascii += char(c.unicode());
        } else if (c.unicode() < 128 && c.isDigit()) {
            seenDigit = true;
            ascii += char(c.unicode());
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    double value = 0;
    const char *begin = ascii.constData() + (ascii.startsWith('+') ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, ascii.constData() + ascii.size(), value);
    if (ec != std::errc() || end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

QString Regional::formatFixed(double value, int decimals) const
{
    if (!std::isfinite(value))
        return QString::number(value);
    // The shortest text that reads back as the same double is the decimal value the user
    // typed or the sum the engine produced; round that text, not the binary fraction.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    std::string digits(buffer, ec == std::errc() ? end : buffer);
    std::string whole = digits, fraction;
    if (const auto dot = digits.find('.'); dot != std::string::npos) {
        whole = digits.substr(0, dot);
        fraction = digits.substr(dot + 1);
    }
    const bool roundUp = int(fraction.size()) > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    std::string number = whole + fraction;
    if (roundUp) {
        int i = int(number.size()) - 1;
        while (i >= 0 && number[i] == '9')
            number[i--] = '0';
        if (i < 0)
            number.insert(number.begin(), '1');
        else
            ++number[i];
    }
    QString result = QString::fromLatin1(number.data(), qsizetype(number.size() - decimals));
    if (decimals > 0)
        result += decimalSeparator + QString::fromLatin1(number.data() + number.size() - decimals, decimals);
    const bool isZero = result.count(QLatin1Char('0')) == result.size() - (decimals > 0 ? 1 : 0);
    if (value < 0 && !isZero)
        result.prepend(QLatin1Char('-'));
    return result;
}

QDate storedDate(std::string_view text)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return {};
    const auto number = [&](size_t from, size_t length) {
        int value = 0;
        for (size_t i = from; i < from + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    return QDate(number(0, 4), number(5, 2), number(8, 2));
}
