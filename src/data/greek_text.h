#pragma once

#include <QString>
#include <QStringView>
#include <string_view>

// Greek-aware text comparison: letter case and accents are ignored and the final sigma is a
// sigma, so "Παπάς", "ΠΑΠΑΣ" and "παπας" sort together in alphabetical order. Texts equal
// after folding are ordered by their exact characters, so the order is total and only
// identical texts compare equal.
namespace greek {

char32_t fold(char32_t c);

// The folded text, for sorting many rows by one precomputed key.
QString foldedKey(QStringView text);

int compare(QStringView a, QStringView b);
// Texts in the order of their code points, as the database compares them: a character
// beyond the Basic Multilingual Plane sorts after every character within it.
int compareCodePoints(QStringView a, QStringView b);
int compareUtf8(std::string_view a, std::string_view b);

// LIKE with "%" for any run and "_" for one character, folded as above.
bool like(std::string_view patternUtf8, std::string_view textUtf8, char32_t escape = 0);

} // namespace greek
