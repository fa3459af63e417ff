#pragma once

#include "data/regional.h"

#include <QDate>
#include <QString>
#include <sqlite3.h>
#include <string_view>

// The arguments of the program's own SQL functions as they read them, and their text results.
namespace sql_values {

inline std::string_view utf8(sqlite3_value *v)
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return data ? std::string_view(data, size_t(sqlite3_value_bytes(v))) : std::string_view();
}

inline QString text(sqlite3_value *v)
{
    const std::string_view bytes = utf8(v);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A date as the tables store it; an invalid date for anything else.
inline QDate date(sqlite3_value *v)
{
    return storedDate(utf8(v));
}

inline void resultText(sqlite3_context *ctx, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_text(ctx, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

} // namespace sql_values
