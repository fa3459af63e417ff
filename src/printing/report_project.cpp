#include "printing/report_project.h"

#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/private_files.h"
#include "ui/messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QVBoxLayout>
#include <malloc.h>

namespace {

// Printouts go beside the practice's data, private as it is, unless the person chooses elsewhere.
QDir printoutsFolder()
{
    const QString practice = AppDirectory.isEmpty() ? QDir::homePath() : AppDirectory;
    return QDir(QDir(practice).filePath(QStringLiteral("printouts")));
}

// A file written over keeps its mode: made the owner's alone before anything goes in.
void keepPrivate(const QString &path)
{
    if (QFileInfo::exists(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString &nonInteractiveOutput()
{
    static QString path;
    return path;
}

struct OutputChoice {
    enum class Target { Preview, Printer, File } target = Target::Preview;
    int copies = 1;
    int from = 0, to = 0;
    QString file;
};

// "Output Options": preview chosen in advance; printer and PDF file offered.
std::optional<OutputChoice> askOutput(QWidget *parent, const QString &title)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("OutputOptions"));
    dialog.setWindowTitle(QStringLiteral("Output Options"));
    auto *preview = new QRadioButton(QStringLiteral("Preview"), &dialog);
    auto *printer = new QRadioButton(QStringLiteral("Printer"), &dialog);
    auto *file = new QRadioButton(QStringLiteral("File (PDF)"), &dialog);
    preview->setChecked(true);
    file->setObjectName(QStringLiteral("File"));
    printer->setObjectName(QStringLiteral("Printer"));
    auto *path = new QLineEdit(printoutsFolder().filePath(title.isEmpty() ? QStringLiteral("report.pdf")
                                                                          : title + QStringLiteral(".pdf")),
                               &dialog);
    path->setObjectName(QStringLiteral("FileName"));
    path->setAccessibleName(QStringLiteral("PDF file name"));
    auto *browse = new QPushButton(QStringLiteral("..."), &dialog);
    browse->setAccessibleName(QStringLiteral("Choose the PDF file"));
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen = QFileDialog::getSaveFileName(&dialog, QStringLiteral("PDF file"), path->text(),
                                                            QStringLiteral("PDF (*.pdf)"));
        if (!chosen.isEmpty())
            path->setText(chosen);
    });
    auto *copies = new QSpinBox(&dialog);
    copies->setRange(1, 99);
    copies->setObjectName(QStringLiteral("Copies"));
    copies->setAccessibleName(QStringLiteral("Copies"));
    // The range's fields share one caption: each says which end it is.
    auto *from = new QSpinBox(&dialog);
    from->setObjectName(QStringLiteral("FromPage"));
    from->setAccessibleName(QStringLiteral("From page"));
    auto *to = new QSpinBox(&dialog);
    to->setObjectName(QStringLiteral("ToPage"));
    to->setAccessibleName(QStringLiteral("To page"));
    for (QSpinBox *page : {from, to}) {
        page->setRange(0, 9999);
        page->setSpecialValueText(QStringLiteral("all"));
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(preview);
    layout->addWidget(printer);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(file);
    fileRow->addWidget(path, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Copies:"), copies);
    auto *range = new QHBoxLayout;
    range->addWidget(from);
    range->addWidget(new QLabel(QStringLiteral("to"), &dialog));
    range->addWidget(to);
    form->addRow(QStringLiteral("Pages:"), range);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    OutputChoice choice;
    choice.target = printer->isChecked() ? OutputChoice::Target::Printer
                    : file->isChecked()  ? OutputChoice::Target::File
                                         : OutputChoice::Target::Preview;
    choice.copies = copies->value();
    choice.from = from->value();
    choice.to = to->value();
    choice.file = path->text();
    return choice;
}

// "Report Status" while the rows are laid out and again while the pages are painted; Cancel
// stops either. The window is brought up to date a few times a second, not at every page.
class ReportStatus {
public:
    explicit ReportStatus(QWidget *parent) : m_dialog(QStringLiteral("Generating pages..."), QStringLiteral("Cancel"), 0, 100, parent)
    {
        m_dialog.setObjectName(QStringLiteral("ReportStatus"));
        m_dialog.setWindowTitle(QStringLiteral("Report Status"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(300);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.setValue(0);
        m_sinceShown.start();
    }

    // `label` takes the work done and the work in all.
    ReportProgress phase(const QString &label)
    {
        return [this, label](int done, int all) {
            if (done == 0 || done == all || m_sinceShown.elapsed() >= 50) {
                m_sinceShown.restart();
                m_dialog.setMaximum(qMax(all, 1));
                m_dialog.setLabelText(label.arg(done).arg(all));
                m_dialog.setValue(qMin(done, qMax(all, 1)));
                QApplication::processEvents();
            }
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_sinceShown;
};

// A page range the report does not have is said, instead of printing a blank page.
bool pageRangeExists(int from, int to, int pages, QWidget *parent)
{
    if (from > pages) {
        messages::plain(parent, QStringLiteral("Η σελίδα %1 δεν υπάρχει. Σελίδες της εκτύπωσης: %2.").arg(from).arg(pages));
        return false;
    }
    if (to > 0 && to < qMax(from, 1)) {
        messages::plain(parent, QStringLiteral("Λανθασμένο διάστημα σελίδων: από %1 έως %2.").arg(from).arg(to));
        return false;
    }
    return true;
}

// Qt's PDF writer allocates each page's buffers anew and frees them at the next page. Under the
// allocator's own thresholds that memory went back to the system after one page and was faulted
// in again for the next: a third of a long list's time. A print keeps what it frees for reuse and
// gives it all back when done, as closing a large set does. Once set, the thresholds stay.
void keepMemoryWhilePrinting()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

// Lays the report out for `device` and paints the chosen pages, with the status window.
// False when the person cancelled or the range does not exist.
bool produce(const ReportDefinition &report, QPagedPaintDevice &device, int from, int to,
             const QHash<QString, QString> &parameters, QWidget *parent)
{
    keepMemoryWhilePrinting();
    const auto giveMemoryBack = qScopeGuard([] { malloc_trim(0); }); // after the pages below are gone
    ReportStatus status(parent);
    const LaidOutReport pages = layOut(report, device, parameters, status.phase(QStringLiteral("Generating pages: %1 of %2 rows")));
    if (pages.pages.empty() || !pageRangeExists(from, to, int(pages.pages.size()), parent))
        return false;
    try {
        return paint(pages, device, from, to, status.phase(QStringLiteral("Printing page %1 of %2")));
    } catch (const std::runtime_error &error) {
        throw DbError(DbError::Kind::Other, QString::fromUtf8(error.what()));
    }
}

// Readies `printer` as the Output Options said and asks the print dialog; false when no printer
// is installed or the person cancelled.
bool printerConfirmed(QPrinter &printer, const QString &title, const OutputChoice &choice, QWidget *parent)
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        messages::plain(parent, QStringLiteral("Δεν υπάρχει εγκατεστημένος εκτυπωτής."));
        return false;
    }
    printer.setDocName(title);
    printer.setCopyCount(choice.copies);
    if (choice.from > 0 || choice.to > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(qMax(choice.from, 1), choice.to > 0 ? choice.to : 9999);
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setMinMax(1, 9999);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

QString projectFileFor(const QString &fileName)
{
    const QString name = fileName.contains(QLatin1Char('.')) ? fileName : fileName + QStringLiteral(".rav");
    return AppDirectory + QDir::separator() + name;
}

void ReportProject::setNonInteractiveOutput(const QString &pdfPath)
{
    nonInteractiveOutput() = pdfPath;
}

const ReportDefinition &ReportProject::definition()
{
    if (!m_definition) {
        const QString full = QFileInfo(ProjectFile).absoluteFilePath();
        if (!QFileInfo(full).isFile())
            throw DbError(DbError::Kind::FileNotFound,
                          QStringLiteral("The following reporting project does not exist:\n\"%1\"")
                              .arg(QDir::toNativeSeparators(full)));
        try {
            m_definition = ReportDefinition::load(full);
        } catch (const std::runtime_error &error) {
            throw DbError(DbError::Kind::Other, QString::fromLocal8Bit(error.what()));
        }
    }
    return *m_definition;
}

namespace {

// Where the person sends the output; an unattended run (tests, scripts) writes the file it names.
std::optional<OutputChoice> chosenOutput(QWidget *parent, const QString &title)
{
    if (nonInteractiveOutput().isEmpty())
        return askOutput(parent, title);
    return OutputChoice{OutputChoice::Target::File, 1, 0, 0, nonInteractiveOutput()};
}

// The preview window over `printer`; `paintOn` draws the pages whenever it asks for them.
void showPreview(QPrinter &printer, QWidget *parent, const std::function<void(QPrinter &)> &paintOn)
{
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("ReportPreview"));
    preview.setWindowTitle(QStringLiteral("Report Preview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter *target) { paintOn(*target); });
    preview.resize(900, 700);
    preview.exec();
}

} // namespace

void ReportProject::execute(QWidget *parent, const QHash<QString, QString> &parameters)
{
    const ReportDefinition &report = definition();
    const std::optional<OutputChoice> choice = chosenOutput(parent, report.title);
    if (!choice)
        return;

    switch (choice->target) {
    case OutputChoice::Target::File: {
        bool done = false;
        {
            PrivateFileMode privately; // a printout holds the same health data as data.mdb
            makePrivateFolder(QFileInfo(choice->file).absolutePath());
            keepPrivate(choice->file);
            QPdfWriter writer(choice->file);
            writer.setTitle(report.title);
            done = produce(report, writer, choice->from, choice->to, parameters, parent);
        }
        if (!done)
            QFile::remove(choice->file); // no half-written file is left behind
        break;
    }
    case OutputChoice::Target::Printer: {
        QPrinter printer(QPrinter::HighResolution);
        if (!printerConfirmed(printer, report.title, *choice, parent))
            return;
        const bool range = printer.printRange() == QPrinter::PageRange;
        if (!produce(report, printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0, parameters, parent))
            printer.abort();
        break;
    }
    case OutputChoice::Target::Preview: {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(report.title);
        printer.setCopyCount(choice->copies);
        const LaidOutReport pages = [&] {
            ReportStatus status(parent);
            return layOut(report, printer, parameters, status.phase(QStringLiteral("Generating pages: %1 of %2 rows")));
        }();
        if (pages.pages.empty() || !pageRangeExists(choice->from, choice->to, int(pages.pages.size()), parent))
            return;
        showPreview(printer, parent, [&](QPrinter &target) { paint(pages, target, choice->from, choice->to); });
        break;
    }
    }
}

void printDrawnPage(const QString &title, QWidget *parent,
                    const std::function<void(QPainter &, const QRectF &)> &paintPage)
{
    const auto paintOn = [&](QPagedPaintDevice &device) {
        device.setPageSize(QPageSize(QPageSize::A4));
        device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        QPainter painter(&device);
        paintPage(painter, QRectF(0, 0, device.width(), device.height()));
    };
    const std::optional<OutputChoice> choice = chosenOutput(parent, title);
    if (!choice)
        return;
    // One page: a page range asked for other than the first prints nothing, as with a report.
    if (!pageRangeExists(choice->from, choice->to, 1, parent))
        return;
    switch (choice->target) {
    case OutputChoice::Target::File: {
        PrivateFileMode privately;
        makePrivateFolder(QFileInfo(choice->file).absolutePath());
        keepPrivate(choice->file);
        QPdfWriter writer(choice->file);
        writer.setTitle(title);
        paintOn(writer);
        break;
    }
    case OutputChoice::Target::Printer: {
        QPrinter printer(QPrinter::HighResolution);
        if (printerConfirmed(printer, title, *choice, parent))
            paintOn(printer);
        break;
    }
    case OutputChoice::Target::Preview: {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(title);
        showPreview(printer, parent, paintOn);
        break;
    }
    }
}
