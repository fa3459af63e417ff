#include "children/child_fields.h"

#include "ui/bound_fields.h"
#include "data/dataset.h"
#include "ui/record_window.h"

#include <QGridLayout>

namespace {

enum class Kind { Text, Short, Choice };

struct ChildField {
    const char *caption;
    const char *column;
    Kind kind;
    bool required;
    QStringList items = {};
};

const ChildField Fields[] = {
    {"Όνομα:", "ONOMA", Kind::Text, true},
    {"Επώνυμο:", "EPWNYMO", Kind::Text, true},
    {"Φύλο:", "FYLO", Kind::Choice, true, {"ΑΡΡΕΝ", "ΘΗΛΥ"}},
    {"Ημερομηνία γεννήσεως:", "HMEROMHNIA_GENNHSEWS", Kind::Short, true},
    {"Ονοματεπώνυμο πατέρα:", "ONOMATEPWNYMO_PATERA", Kind::Text, true},
    {"Ονοματεπώνυμο μητέρας:", "ONOMATEPWNYMO_MHTERAS", Kind::Text, true},
    {"Ονοματεπώνυμο κηδεμόνα:", "ONOMATEPWNYMO_KHDEMONA", Kind::Text, true},
    {"Διεύθυνση:", "DIEYTHYNSH", Kind::Text, true},
    {"Τηλέφωνο 1:", "THLEFWNO_1", Kind::Text, true},
    {"Τηλέφωνο 2:", "THLEFWNO_2", Kind::Text, false},
    {"Ορφανό από:", "ORFANOS_APO", Kind::Choice, false, {"ΠΑΤΕΡΑ", "ΜΗΤΕΡΑ", "ΠΑΤΕΡΑ ΚΑΙ ΜΗΤΕΡΑ", "ΟΧΙ"}},
    {"Γονείς σε διάσταση / διαζευγμένοι:", "GONEIS_DIAZEYGMENOI_DIASTASH", Kind::Choice, false, {"ΝΑΙ", "ΟΧΙ"}},
    {"Ηλικία πατέρα:", "HLIKIA_PATERA", Kind::Short, false},
    {"Ηλικία μητέρας:", "HLIKIA_MHTERA", Kind::Short, false},
    {"Ηλικία κηδεμόνα:", "HLIKIA_KHDEMONA", Kind::Short, false},
    {"Εργασία πατέρα:", "ERGASIA_PATERA", Kind::Text, false},
    {"Εργασία μητέρας:", "ERGASIA_MHTERAS", Kind::Text, false},
    {"Εργασία κηδεμόνα:", "ERGASIA_KHDEMONA", Kind::Text, false},
};

} // namespace

void addChildFields(DataSet &data, QGridLayout *grid)
{
    QWidget *parent = grid->parentWidget();
    int row = 0;
    for (const ChildField &f : Fields) {
        const QString column = QString::fromLatin1(f.column);
        QWidget *field = nullptr;
        if (f.kind == Kind::Choice) {
            field = new BoundChoice(data, column, f.items, parent);
        } else {
            auto *line = new BoundLineEdit(data, column, parent);
            if (f.kind == Kind::Short)
                line->setFixedWidth(f.column == QLatin1String("HMEROMHNIA_GENNHSEWS") ? 100 : 50);
            else
                line->setMinimumWidth(300);
            field = line;
        }
        field->setObjectName(column);
        look::addField(grid, row++, QString::fromUtf8(f.caption), field,
                       f.required ? QStringLiteral("*") : QString());
    }
}
