#pragma once

#include <QDate>
#include <QString>

// Values shared by the whole program, each set in one place only.
inline QString AppDirectory;                 // the working directory at start-up
// The access password of a new practice, until the doctor sets one at the first start.
inline const QString FactoryDefaultPassword = QStringLiteral("40617283");
// The password a connection string carries opens the key file beside data.mdb (whose data key
// opens the file); a new practice answers to the factory default.
inline const QString DbPassword = FactoryDefaultPassword;
inline QString DbConnectionString;           // built at start-up, given the password at login
inline bool AccessGranted = false;           // the access password was accepted
inline bool ReceiptNumberingSet = false;     // the receipt counter holds its row

inline const QString DataFileName = QStringLiteral("data.mdb");

// The connection string for a data.mdb that lies in `directory`.
QString connectionStringFor(const QString &directory, const QString &password = DbPassword);
// The connection string for a data source: a data file's path, or a server's URI.
QString connectionStringOn(const QString &dataSource, const QString &password);

// Turns a typed date into a date literal "#m/d/yyyy#", or into "ERROR" when it cannot be read.
void date_to_sql(QString &date);
void date_to_sql(QString &date, const QDate &today);

// True when the text holds none of the characters that mean something in a statement.
bool check_chars(const QString &text);
// A password (already trimmed) that the windows and the data tool accept: not empty, and clean.
bool acceptablePassword(const QString &password);
// What a new access password must be besides: long enough that guessing it costs years, and not
// the public factory default.
inline constexpr int MinimumPasswordLength = 8;
enum class NewPasswordFault { None,
                              Unacceptable,
                              TooShort,
                              FactoryDefault };
NewPasswordFault newPasswordFault(const QString &password);
