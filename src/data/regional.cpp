#include "data/regional.h"

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

Decimal decimalOf(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    // "d.ddddddddddddddde+xx" always fits: 15 digits, a point, a sign and three exponent digits.
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view text(buffer, size_t(end - buffer));
    const auto e = text.find('e');
    for (char c : text.substr(0, e))
        if (c != '.')
            d.digits += c;
    d.exponent = std::stoi(std::string(text.substr(e + 1))) - 14;
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
        ++d.exponent;
    }
    if (d.digits == "0")
        d.exponent = 0;
    return d;
}

QString Regional::formatFixed(double value, int decimals) const
{
    if (!std::isfinite(value))
        return QString::number(value);
    // Round the decimal value as written, not the binary fraction.
    const Decimal d = decimalOf(value);
    std::string whole, fraction;
    const int point = int(d.digits.size()) + d.exponent; // digits before the decimal point
    if (d.exponent >= 0) {
        whole = d.digits + std::string(size_t(d.exponent), '0');
    } else if (point <= 0) {
        whole = "0";
        fraction = std::string(size_t(-point), '0') + d.digits;
    } else {
        whole = d.digits.substr(0, size_t(point));
        fraction = d.digits.substr(size_t(point));
    }
    const bool roundUp = int(fraction.size()) > decimals && fraction[size_t(decimals)] >= '5';
    fraction.resize(size_t(decimals), '0');
    std::string number = whole + fraction;
    if (roundUp) {
        int i = int(number.size()) - 1;
        while (i >= 0 && number[size_t(i)] == '9')
            number[size_t(i--)] = '0';
        if (i < 0)
            number.insert(number.begin(), '1');
        else
            ++number[size_t(i)];
    }
    QString result = QString::fromLatin1(number.data(), qsizetype(number.size()) - decimals);
    if (decimals > 0)
        result += decimalSeparator + QString::fromLatin1(number.data() + number.size() - size_t(decimals), decimals);
    const bool isZero = number.find_first_not_of('0') == std::string::npos;
    if (d.negative && !isZero)
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
