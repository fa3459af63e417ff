#include "app/window_catalog.h"

#include "billing/billing_windows.h"
#include "office/calendar_utilities_window.h"
#include "children/child_identity_windows.h"
#include "children/child_register_window.h"
#include "children/due_vaccines_window.h"
#include "printing/child_printouts_window.h"
#include "expenses/expense_ledger_window.h"
#include "expenses/expense_reports_window.h"
#include "app/main_window.h"
#include "appointments/month_calendar_window.h"
#include "billing/receipts.h"
#include "office/reference_books.h"
#include "office/reminders_window.h"

namespace {

// A window created afresh at each opening and shown modally.
template <typename Window>
void opens(MainWindow &mainWindow, const char *name)
{
    mainWindow.setOpener(QString::fromLatin1(name), [&mainWindow] {
        Window window(&mainWindow);
        window.exec();
    });
}

} // namespace

void registerWindows(MainWindow &mainWindow)
{
    opens<ExpenseLedgerWindow>(mainWindow, "TForm13");
    opens<RemindersWindow>(mainWindow, "TForm11");
    opens<CalendarUtilitiesWindow>(mainWindow, "TForm8");
    opens<MonthCalendarWindow>(mainWindow, "TForm1a");
    opens<ChildRegistrationWindow>(mainWindow, "TForm16");
    opens<DueVaccinesWindow>(mainWindow, "DueVaccines");
    mainWindow.setOpener("TForm10", [&mainWindow] { ContactBookWindow(ContactBookWindow::Phones, &mainWindow).exec(); });
    mainWindow.setOpener("TForm2", [&mainWindow] { ContactBookWindow(ContactBookWindow::Doctors, &mainWindow).exec(); });

    // Windows that live for the whole run, made in the order the program has always made them.
    auto *dietsChoice = new PrintChoiceWindow(PrintChoiceWindow::Diets, &mainWindow);
    auto *notesChoice = new PrintChoiceWindow(PrintChoiceWindow::Notes, &mainWindow);
    auto *expensesByDate = new ExpenseReportWindow(ExpenseReportWindow::Kind::ByDate, &mainWindow);
    auto *expensesByMonth = new ExpenseReportWindow(ExpenseReportWindow::Kind::ByMonth, &mainWindow);
    auto *childRegister = new ChildRegisterWindow(&mainWindow);
    auto *childPrintouts = new ChildPrintoutsWindow(&mainWindow);
    auto *receiptPrinter = new ReceiptPrinter(&mainWindow);
    auto *certificatePrinter = new CertificatePrinter(&mainWindow);

    opens<ReceiptNumberingWindow>(mainWindow, "TForm9");
    opens<IncomeBetweenDatesWindow>(mainWindow, "TForm59");
    mainWindow.setOpener("TForm71", [&mainWindow, receiptPrinter] { ReceiptRegisterWindow(*receiptPrinter, &mainWindow).exec(); });
    mainWindow.setOpener("TForm73", [&mainWindow, receiptPrinter] { LetterheadWindow(*receiptPrinter, &mainWindow).exec(); });
    mainWindow.setOpener("Prescription", [&mainWindow, certificatePrinter] { certificatePrinter->printPrescription(&mainWindow); });
    mainWindow.setOpener("SickNote", [&mainWindow, certificatePrinter] { certificatePrinter->printSickNote(&mainWindow); });
    childRegister->setOpener("TForm56", [childRegister, receiptPrinter](const ChildHandover &child) {
        ReceiptIssueWindow issue(*receiptPrinter, childRegister);
        issue.ChildID = child.ChildID;
        issue.ChildName = child.ChildName;
        issue.ChildSurname = child.ChildSurname;
        issue.exec();
    });
    childRegister->setOpener("TForm57", [childRegister](const ChildHandover &child) {
        ChildIncomeWindow income(childRegister);
        income.hand(child);
        income.exec();
    });

    mainWindow.setOpener("TForm1", [&mainWindow, dietsChoice] {
        NoteBookWindow(NoteBookWindow::Diets, *dietsChoice, &mainWindow).exec();
    });
    mainWindow.setOpener("TForm6", [&mainWindow, notesChoice] {
        NoteBookWindow(NoteBookWindow::Notes, *notesChoice, &mainWindow).exec();
    });
    mainWindow.setOpener("TForm14", [expensesByDate] { expensesByDate->exec(); });
    mainWindow.setOpener("TForm15", [expensesByMonth] { expensesByMonth->exec(); });
    childRegister->setOpener("TForm22", [childRegister, childPrintouts](const ChildHandover &child) {
        childPrintouts->ChildID = child.ChildID;
        childPrintouts->WhereText = childRegister->WhereText;
        childPrintouts->SelectText = childRegister->SelectText;
        childPrintouts->exec();
    });
    mainWindow.setOpener(QStringLiteral("TForm17"), [&mainWindow, childRegister] {
        ChildSearchWindow search(*childRegister, &mainWindow);
        search.exec();
    });
}
