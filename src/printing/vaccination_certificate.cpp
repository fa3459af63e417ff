#include "printing/vaccination_certificate.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/vaccine_records.h"
#include "printing/data_connections.h"
#include "printing/print_run.h"
#include "printing/report_project.h"
#include "ui/messages.h"

#include <QObject>

namespace {

// The sets a certificate reads, named for the report only while it prints: the vaccination
// window and the child printouts both print it, each through a printer of its own.
class CertificatePrint : public QObject {
public:
    CertificatePrint()
    {
        data_connections::add(QStringLiteral("VaccinationCertificate"), m_doses, this);
        data_connections::add(QStringLiteral("VaccinationCertificateChild"), m_child, this);
        data_connections::add(QStringLiteral("VaccinationCertificateLetterhead"), m_letterhead, this);
    }

    void print(qint64 childId, QWidget *parent)
    {
        static ReportProject project; // read once a run, as every report file is
        PrintRun run(&m_connection);
        if (vaccine_records::writeCertificate(m_connection, childId) == 0) {
            messages::plain(parent, QStringLiteral("Δεν έχει καταγραφεί καμία δόση εμβολίου για το παιδί."));
            return;
        }
        run.query(m_doses, QStringLiteral("SELECT EMBOLIO, DOSH, HMEROMHNIA, SKEYASMA, SHMEIWSH FROM ") +
                               vaccine_records::CertificateTable + QStringLiteral(" ORDER BY SEIRA_AR"));
        run.query(m_child,
                  QStringLiteral("SELECT EPWNYMO, ONOMA, HMEROMHNIA_GENNHSEWS FROM STOIXEIA_PAIDIOY WHERE ID=?"), QVariantList{childId});
        run.table(m_letterhead, QStringLiteral("INFORMATION"));
        run.print(project, QStringLiteral("EMBOLIA_BEBAIWSH.RAV"), parent);
    }

private:
    Connection m_connection;
    DataSet m_doses{m_connection};
    DataSet m_child{m_connection};
    DataSet m_letterhead{m_connection};
};

} // namespace

void printVaccinationCertificate(qint64 childId, QWidget *parent)
{
    CertificatePrint().print(childId, parent);
}
