#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

class QAbstractButton;
class QLabel;
class QLineEdit;

// A number as people type it: the regional decimal comma or "." as decimal mark, no grouping.
std::optional<double> typedNumber(const QString &text);
// A key that types the decimal mark: the regional one, or "." (the keypad's key on most layouts).
bool isDecimalMark(QChar c);

// Two typed dates, as dates to bind and as date literals for a statement handed on as text;
// nothing when either is not a date.
struct DateRange {
    QString from;
    QString to;
    QDate first;
    QDate last;
};
std::optional<DateRange> typedDateRange(const QString &from, const QString &to);
// The first character of `text` that check_chars refuses, apart from those in `allowed`; a null
// character when there is none.
QChar refusedCharacter(const QString &text, const QString &allowed = {});
// A refused character named beside its field, with the reason: «Ο χαρακτήρας «%» δεν γίνεται
// δεκτός στο πεδίο «Από»: <why>.»
QString characterRefusal(QChar refused, const QString &field, const QString &why);
// From the next edit on, `button` is enabled only while every field's trimmed text passes
// check_chars: a criterion that could change a statement never reaches one. `note` names the
// character at fault and `why`, so that the button never waits without a visible reason.
void enableWhileClean(QAbstractButton *button, const QList<QLineEdit *> &fields, QLabel *note, const QString &why);
// The reason of date criteria: how a date is written.
inline const QString DateCriterionRule = QStringLiteral("η ημερομηνία γράφεται ημέρα/μήνας/έτος, π.χ. 15/12/2026");

// A sum as the statements format it ("12,50"); a sum over no rows reads nought.
QString amountOrNought(const QString &sum);
// An amount with two decimals and the regional mark.
QString amountText(double amount);
