#include "data/greek_text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace greek {

namespace {
char32_t foldSlow(char32_t c);
}

// The folds of the first 1024 code points (Latin and Greek) come from a table made once.
char32_t fold(char32_t c)
{
    static const auto table = [] {
        std::array<char32_t, 0x400> folded{};
        for (char32_t i = 0; i < folded.size(); ++i)
            folded[i] = foldSlow(i);
        return folded;
    }();
    return c < table.size() ? table[c] : foldSlow(c);
}

namespace {

char32_t foldSlow(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0x0386 && c <= 0x03CE) {
        switch (c) {
        // clang-format off
        case 0x0386: case 0x03AC: return 0x03B1; // alpha
        case 0x0388: case 0x03AD: return 0x03B5; // epsilon
        case 0x0389: case 0x03AE: return 0x03B7; // eta
        case 0x038A: case 0x03AF: case 0x03AA: case 0x03CA: case 0x0390: return 0x03B9; // iota
        case 0x038C: case 0x03CC: return 0x03BF; // omicron
        case 0x038E: case 0x03CD: case 0x03AB: case 0x03CB: case 0x03B0: return 0x03C5; // upsilon
        case 0x038F: case 0x03CE: return 0x03C9; // omega
        case 0x03C2: return 0x03C3;              // final sigma
        // clang-format on
        default: break;
        }
        if (c >= 0x0391 && c <= 0x03A9)
            return c + 0x20;
        return c;
    }
    if (c <= 0xFFFF) {
        QChar ch{char16_t(c)};
        const QString decomposed = ch.decomposition();
        if (!decomposed.isEmpty() && ch.decompositionTag() == QChar::Canonical)
            ch = decomposed.at(0);
        return ch.toLower().unicode();
    }
    return c;
}

// Code points of UTF-16 text, surrogate pairs joined.
struct Utf16Reader {
    QStringView text;
    qsizetype pos = 0;
    bool atEnd() const { return pos >= text.size(); }
    char32_t next()
    {
        const char16_t c = text.at(pos++).unicode();
        if (QChar::isHighSurrogate(c) && pos < text.size() && QChar::isLowSurrogate(text.at(pos).unicode()))
            return QChar::surrogateToUcs4(c, text.at(pos++).unicode());
        return c;
    }
};

struct Utf8Reader {
    std::string_view text;
    size_t pos = 0;
    bool atEnd() const { return pos >= text.size(); }
    char32_t next()
    {
        const auto byte = [&](size_t i) { return i < text.size() ? char32_t(uint8_t(text[i])) : 0; };
        const char32_t c = byte(pos);
        if (c < 0x80) {
            pos += 1;
            return c;
        }
        if ((c & 0xE0) == 0xC0) {
            const char32_t r = ((c & 0x1F) << 6) | (byte(pos + 1) & 0x3F);
            pos += 2;
            return r;
        }
        if ((c & 0xF0) == 0xE0) {
            const char32_t r = ((c & 0x0F) << 12) | ((byte(pos + 1) & 0x3F) << 6) | (byte(pos + 2) & 0x3F);
            pos += 3;
            return r;
        }
        const char32_t r = ((c & 0x07) << 18) | ((byte(pos + 1) & 0x3F) << 12) | ((byte(pos + 2) & 0x3F) << 6) |
                           (byte(pos + 3) & 0x3F);
        pos += 4;
        return r;
    }
};

template <typename Reader>
int compareFolded(Reader a, Reader b)
{
    Reader rawA = a, rawB = b;
    while (!a.atEnd() && !b.atEnd()) {
        const char32_t ca = fold(a.next()), cb = fold(b.next());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (!a.atEnd() || !b.atEnd())
        return a.atEnd() ? -1 : 1;
    while (!rawA.atEnd() && !rawB.atEnd()) {
        const char32_t ca = rawA.next(), cb = rawB.next();
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

} // namespace

QString foldedKey(QStringView text)
{
    QString key;
    key.reserve(text.size());
    Utf16Reader reader{text};
    while (!reader.atEnd()) {
        const char32_t c = fold(reader.next());
        if (c > 0xFFFF) {
            key += QChar(QChar::highSurrogate(c));
            key += QChar(QChar::lowSurrogate(c));
        } else {
            key += QChar(char16_t(c));
        }
    }
    return key;
}

int compare(QStringView a, QStringView b)
{
    return compareFolded(Utf16Reader{a}, Utf16Reader{b});
}

int compareCodePoints(QStringView a, QStringView b)
{
    // UTF-16 units order code points except that surrogates (D800-DFFF) come before E000-FFFF.
    const auto rank = [](char16_t u) { return u < 0xD800 ? u : u >= 0xE000 ? u - 0x800 : u + 0x2000; };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (a[i] != b[i])
            return rank(a[i].unicode()) < rank(b[i].unicode()) ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compareUtf8(std::string_view a, std::string_view b)
{
    return compareFolded(Utf8Reader{a}, Utf8Reader{b});
}

bool like(std::string_view patternUtf8, std::string_view textUtf8, char32_t escape)
{
    // Pattern items: a folded character, "any one" or "any run".
    constexpr char32_t anyOne = 0xFFFFFFFE, anyRun = 0xFFFFFFFF;
    std::vector<char32_t> pattern, text;
    for (Utf8Reader p{patternUtf8}; !p.atEnd();) {
        char32_t c = p.next();
        if (escape && c == escape && !p.atEnd())
            pattern.push_back(fold(p.next()));
        else if (c == '%')
            pattern.push_back(anyRun);
        else if (c == '_')
            pattern.push_back(anyOne);
        else
            pattern.push_back(fold(c));
    }
    for (Utf8Reader t{textUtf8}; !t.atEnd();)
        text.push_back(fold(t.next()));

    // Greedy match with backtracking to the last "any run".
    size_t p = 0, t = 0, starP = size_t(-1), starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == anyOne || (pattern[p] != anyRun && pattern[p] == text[t]))) {
            ++p, ++t;
        } else if (p < pattern.size() && pattern[p] == anyRun) {
            starP = p++;
            starT = t;
        } else if (starP != size_t(-1)) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == anyRun)
        ++p;
    return p == pattern.size();
}

} // namespace greek
