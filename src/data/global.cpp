#include "data/global.h"

#include "data/regional.h"

#include <QDir>

QString connectionStringFor(const QString &directory, const QString &password)
{
    return connectionStringOn(directory + QDir::separator() + DataFileName, password);
}

QString connectionStringOn(const QString &dataSource, const QString &password)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=") + dataSource +
           QStringLiteral(";Persist Security Info=True;Jet OLEDB:Database Password=") + password;
}

void date_to_sql(QString &date, const QDate &today)
{
    const auto parsed = Regional::current().parseDate(date, today);
    date = parsed ? QStringLiteral("#%1/%2/%3#").arg(parsed->month()).arg(parsed->day()).arg(parsed->year())
                  : QStringLiteral("ERROR");
}

void date_to_sql(QString &date)
{
    date_to_sql(date, QDate::currentDate());
}

bool check_chars(const QString &text)
{
    static const QString forbidden = QStringLiteral("'\"&*-=!#$[]?%+\\|@_~`(){}<>.;^:,");
    for (const QChar c : text)
        if (forbidden.contains(c))
            return false;
    return true;
}

bool acceptablePassword(const QString &password)
{
    return !password.isEmpty() && check_chars(password);
}

NewPasswordFault newPasswordFault(const QString &password)
{
    const QString trimmed = password.trimmed();
    if (!acceptablePassword(trimmed))
        return NewPasswordFault::Unacceptable;
    if (trimmed == FactoryDefaultPassword)
        return NewPasswordFault::FactoryDefault;
    if (trimmed.size() < MinimumPasswordLength)
        return NewPasswordFault::TooShort;
    return NewPasswordFault::None;
}
