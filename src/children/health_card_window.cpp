#include "children/health_card_window.h"

#include "ui/captions.h"
#include "ui/bound_fields.h"
#include "ui/navigator_bar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Question {
    const char *caption;
    const char *column;
};

// clang-format off
const Question Conditions[] = {
    {"Διαβήτης:", "DIABHTHS"},       {"Επιληψία:", "EPILHPSIA"},
    {"Καρδιοπάθια:", "KARDIOPATHIA"}, {"Άσθμα:", "ASTHMA"},
    {"Αλλεργίες:", "ALLERGIES"},     {"Βρογχικά:", "BROGXIKA"},
    {"Διαταραχή στην ακοή:", "DIATARAXES_AKOH"}, {"Διαταραχή στην όραση:", "DIATARAXES_ORASH"},
    {"Ηπατίτιδα:", "HPATITIDA"},     {"Έκζεμα:", "EKZEMA"},
    {"Αναιμία:", "ANAIMIA"},         {"Ψωρίαση:", "PSWRIASH"},
    {"Λευχαιμία:", "LEYXAIMIA"},
};

const Question PastIllnesses[] = {
    {"Ανεμευλογιά:", "ANEMEBLOGIA"}, {"Διφθερίτιδα:", "DIFTHERITIDA"},
    {"Οστρακιά:", "OSTRAKIA"},       {"Ιλαρά:", "ILARA"},
    {"Κοκκίτης:", "KOKKITHS"},       {"Παρωτίτιδα:", "PARWTITIDA"},
    {"Ερυθρά:", "ERYTHRA"},          {"Πέμπτη Νόσος:", "5HNOSOS"},
    {"Αιφνίδιο εξάνθημα:", "AIFNIDIO_EKSANTHIMA"}, {"Πολιομυελίτιδα:", "POLYOMYELITIDA"},
};
// clang-format on

} // namespace

HealthCardWindow::HealthCardWindow(QWidget *parent)
    : ChildWindow(QStringLiteral("TForm20"), QStringLiteral("Δελτίο υγείας"), parent, look::Cream)
{
    // Each group a column of ΝΑΙ/ΟΧΙ lists, generated from its table of questions.
    const auto group = [this](const QString &title, const auto &questions) {
        auto *box = new QGroupBox(title, this);
        auto *grid = new QGridLayout(box);
        grid->setVerticalSpacing(2);
        int row = 0;
        for (const Question &q : questions) {
            auto *choice = new BoundChoice(m_data, QString::fromLatin1(q.column), {"ΝΑΙ", "ΟΧΙ"}, box);
            choice->setObjectName(QString::fromLatin1(q.column));
            look::addField(grid, row++, QString::fromUtf8(q.caption), choice);
        }
        return box;
    };
    auto *doctor = boundLine(QStringLiteral("PROHGOYMENOS_PAIDIATROS"));
    doctor->setMinimumWidth(350);
    auto *history = boundMemo(QStringLiteral("ISTORIKO"));
    history->setMinimumHeight(100);
    auto *navigator = new NavigatorBar(m_data, NavigatorBar::Post, this);
    QPushButton *exit = look::exitButton(this);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(header(true));
    auto *groups = new QHBoxLayout;
    groups->addWidget(group(captions::Diseases, Conditions), 0, Qt::AlignTop);
    groups->addWidget(group(QStringLiteral("Ασθένειες που πέρασε"), PastIllnesses), 0, Qt::AlignTop);
    layout->addLayout(groups);
    auto *below = new QGridLayout;
    look::addField(below, 0, QStringLiteral("Προηγούμενος παιδίατρος:"), doctor);
    below->addWidget(look::caption(QStringLiteral("Άλλες ασθένεις και Ιστορικό:"), history, this), 1, 0, Qt::AlignRight | Qt::AlignTop);
    below->addWidget(history, 1, 1);
    layout->addLayout(below);
    layout->addLayout(look::spreadRow({navigator}, {exit}));
    setTabOrder(history, exit); // then the save button, which takes no Tab focus of its own
}

void HealthCardWindow::load()
{
    openQuery(QStringLiteral("SELECT id,DIABHTHS, EPILHPSIA, KARDIOPATHIA, ASTHMA, ALLERGIES, BROGXIKA, ISTORIKO, "
                             "PROHGOYMENOS_PAIDIATROS, DIATARAXES_AKOH, DIATARAXES_ORASH, ILARA, DIFTHERITIDA, "
                             "KOKKITHS,") +
                  QStringLiteral("PARWTITIDA, ERYTHRA, OSTRAKIA, ANEMEBLOGIA, POLYOMYELITIDA, ANAIMIA, HPATITIDA, "
                                 "[5HNOSOS], AIFNIDIO_EKSANTHIMA, PSWRIASH, EKZEMA, LEYXAIMIA FROM STOIXEIA_PAIDIOY "
                                 "WHERE ID=?"),
              QVariantList{childId()});
}
