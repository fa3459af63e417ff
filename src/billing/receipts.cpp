#include "billing/receipts.h"

#include "printing/data_connections.h"
#include "data/db_error.h"
#include "data/global.h"
#include "printing/print_run.h"

int recordReceipt(Connection &connection, const ReceiptEntry &e)
{
    const double poso = e.amount * ReceiptAmountFactor;
    bool isNumber = false;
    const qlonglong childId = e.childId.toLongLong(&isNumber);
    if (!isNumber)
        throw DbError(DbError::Kind::Other, QStringLiteral("'%1' is not the number of a child").arg(e.childId));
    Transaction transaction(connection);
    // The number is read inside the transaction and locked: no other issue, on this seat or
    // another, can take it meanwhile.
    const QVariant n = connection.scalarForUpdate(QStringLiteral("SELECT [LAST] FROM LAST_APODEIKSH"));
    if (n.isNull())
        throw DbError(DbError::Kind::Other, QStringLiteral("The receipt numbering has not been set"));
    Command command(connection);
    command.setText(QStringLiteral("INSERT INTO EISPRAKSH_PELATH(ID,POSO,PERIGRAFH,TAMEIO,POSO_CY,AR_APODEIKSHS) "
                                   "VALUES(?,?,?,?,?,?)"),
                    {childId, poso, e.description, e.fund, e.amount, n});
    command.execute();
    command.setText(QStringLiteral("INSERT INTO APODEIKSEIS(AR_APODEIKSHS,ONOMA_PAIDIOY,EPWNYMO_PAIDIOY,PARALHPTHS,POSO,"
                                   "TAMEIO,POSO_CY,PERIGRAFH) VALUES(?,?,?,?,?,?,?,?)"),
                    {n, e.childName, e.childSurname, e.recipient, poso, e.fund, e.amount, e.description});
    command.execute();
    command.setText(QStringLiteral("UPDATE LAST_APODEIKSH SET [LAST]=[LAST]+1"));
    command.execute();
    transaction.commit();
    return n.toInt();
}

ReceiptPrinter::ReceiptPrinter(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("TForm72"));
    data_connections::add(QStringLiteral("RvDataSetConnection69"), m_receipt, this);
    data_connections::add(QStringLiteral("RvDataSetConnection179INFORMAAP"), m_letterhead, this);
}

void ReceiptPrinter::PrintReceipt(int number, QWidget *window)
{
    PrintRun run(&m_connection);
    run.query(m_receipt,
              QStringLiteral("SELECT AR_APODEIKSHS, HMEROMHNIA, ONOMA_PAIDIOY, EPWNYMO_PAIDIOY, PARALHPTHS, "
                             "Format(POSO,'0.00') AS POSO, TAMEIO, Format(POSO_cy,'0.00') as POSO_CY, PERIGRAFH "
                             "FROM APODEIKSEIS ") +
                  QStringLiteral(" WHERE AR_APODEIKSHS=") + QString::number(number),
              false); // left closed: the engine opens it
    run.table(m_letterhead, QStringLiteral("INFORMATION"));
    run.print(m_project, QStringLiteral("APODEIKSEIS.RAV"), window);
}

CertificatePrinter::CertificatePrinter(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("TForm23"));
    data_connections::add(QStringLiteral("RvDataSetConnection177SYNTAG"), m_prescriptionLetterhead, this);
    data_connections::add(QStringLiteral("RvDataSetConnection178ADEIAXOR"), m_sickNoteLetterhead, this);
}

void CertificatePrinter::printPrescription(QWidget *window)
{
    print(m_prescription, QStringLiteral("SYNTAGOLOGIO.RAV"), window);
}

void CertificatePrinter::printSickNote(QWidget *window)
{
    print(m_sickNote, QStringLiteral("ADEIA.RAV"), window);
}

void CertificatePrinter::print(ReportProject &project, const QString &file, QWidget *window)
{
    PrintRun run(&m_connection);
    run.table(&project == &m_prescription ? m_prescriptionLetterhead : m_sickNoteLetterhead, QStringLiteral("INFORMATION"));
    run.print(project, file, window);
}
