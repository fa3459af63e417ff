#pragma once

#include "ui/typed_values.h"

#include <QString>
#include <optional>

class QAbstractButton;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

struct DateRangeCaptions {
    QString from = QStringLiteral("Από:");
    QString to = QStringLiteral("Μέχρι:");
};

// The criteria of a search between two dates: «Από:» and «Μέχρι:» on two rows of a grid, each
// field marked required, read as a date range; a search waits for criteria a statement may hold.
class DateRangeCriteria {
public:
    DateRangeCriteria(QGridLayout *grid, int row, const QString &fromName, const QString &toName, QWidget *parent,
                      const DateRangeCaptions &captions = {});

    QLineEdit *from() const { return m_from; }
    QLineEdit *to() const { return m_to; }

    // How a date is written, shown as each field's tip.
    void showExamples();
    // From the next edit on, `button` is enabled only while both fields are clean; `note` names
    // the character at fault and `why`.
    void enable(QAbstractButton *button, QLabel *note, const QString &why = DateCriterionRule) const;
    // Nothing when either field is not a date.
    std::optional<DateRange> dates() const;

private:
    QLineEdit *m_from;
    QLineEdit *m_to;
};
