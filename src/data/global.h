#pragma once

#include <QDate>
#include <QString>

// Values shared by the whole program, each set in one place only.
inline QString AppDirectory;                 // the working directory at start-up
inline const QString DbPassword = QStringLiteral("KT40273QZL");
inline QString DbConnectionString;           // built once at start-up from AppDirectory
inline bool AccessGranted = false;           // the access password was accepted
inline bool ReceiptNumberingSet = false;     // the receipt counter holds its row

inline const QString DataFileName = QStringLiteral("data.mdb");

// The connection string for a data.mdb that lies in `directory`.
QString connectionStringFor(const QString &directory, const QString &password = DbPassword);

// Turns a typed date into a date literal "#m/d/yyyy#", or into "ERROR" when it cannot be read.
void date_to_sql(QString &date);
void date_to_sql(QString &date, const QDate &today);

// True when the text holds none of the characters that mean something in a statement.
bool check_chars(const QString &text);
