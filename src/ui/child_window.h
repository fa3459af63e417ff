#pragma once

#include "ui/record_window.h"
#include "clinical/who_growth.h"

#include <QDate>
#include <optional>

class QGridLayout;

// The child a per-child window works on, as the children register hands it over.
struct ChildHandover {
    QString ChildID;
    QString ChildName;
    QString ChildSurname;
    QString GuardianName;
    QString BirthDate;
};

// A record window over one child's data. The register writes the handover fields after
// creating it; the window reads its rows when it is first shown.
class ChildWindow : public RecordWindow {
    Q_OBJECT
public:
    using RecordWindow::RecordWindow;

    QString ChildID;
    QString ChildName;
    QString ChildSurname;
    QString GuardianName;
    QString BirthDate;
    void hand(const ChildHandover &child);
    // The child as the database numbers it, for binding; 0, which no child has, when the
    // handed-over text is not a number.
    qint64 childId() const { return ChildID.toLongLong(); }

protected:
    virtual void load() = 0;
    void showEvent(QShowEvent *event) override;
    // Bold captions with the values in red bold; `withBirth` adds birth date and guardian.
    QGridLayout *header(bool withBirthAndGuardian);
    // The child's sex and birth date as its record holds them now; none where missing.
    struct SexAndBirth {
        std::optional<who::Sex> sex;
        QDate birth;
    };
    SexAndBirth readSexAndBirth();

private:
    bool m_loaded = false;
};
