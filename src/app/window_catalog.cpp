#include "window_catalog.h"

#include "calendar_utilities_window.h"
#include "child_identity_windows.h"
#include "child_register_window.h"
#include "expense_ledger_window.h"
#include "main_window.h"
#include "month_calendar_window.h"
#include "reminders_window.h"

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

    // The children register lives for the whole run; each search shows it again.
    auto *childRegister = new ChildRegisterWindow(&mainWindow);
    mainWindow.setOpener(QStringLiteral("TForm17"), [&mainWindow, childRegister] {
        ChildSearchWindow search(*childRegister, &mainWindow);
        search.exec();
    });
}
