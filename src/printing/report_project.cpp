#include "report_project.h"

#include "db_error.h"
#include "global.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

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
    auto *path = new QLineEdit(QDir::home().filePath(title.isEmpty() ? QStringLiteral("report.pdf") : title + QStringLiteral(".pdf")),
                               &dialog);
    auto *browse = new QPushButton(QStringLiteral("..."), &dialog);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen = QFileDialog::getSaveFileName(&dialog, QStringLiteral("PDF file"), path->text(),
                                                            QStringLiteral("PDF (*.pdf)"));
        if (!chosen.isEmpty())
            path->setText(chosen);
    });
    auto *copies = new QSpinBox(&dialog);
    copies->setRange(1, 99);
    auto *from = new QSpinBox(&dialog);
    auto *to = new QSpinBox(&dialog);
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

// Sends the pages that `paintOn` draws where the Output Options said.
void deliver(const OutputChoice &choice, const QString &title, QWidget *parent,
             const std::function<void(QPagedPaintDevice &)> &paintOn)
{
    switch (choice.target) {
    case OutputChoice::Target::File: {
        QPdfWriter writer(choice.file);
        writer.setTitle(title);
        paintOn(writer);
        break;
    }
    case OutputChoice::Target::Printer: {
        QPrinter printer(QPrinter::HighResolution);
        printer.setCopyCount(choice.copies);
        printer.setDocName(title);
        paintOn(printer);
        break;
    }
    case OutputChoice::Target::Preview: {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(title);
        printer.setCopyCount(choice.copies);
        QPrintPreviewDialog preview(&printer, parent);
        preview.setObjectName(QStringLiteral("ReportPreview"));
        preview.setWindowTitle(QStringLiteral("Report Preview"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&](QPrinter *target) { paintOn(*target); });
        preview.resize(900, 700);
        preview.exec();
        break;
    }
    }
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

void ReportProject::execute(QWidget *parent)
{
    const ReportDefinition &report = definition();
    if (!nonInteractiveOutput().isEmpty()) {
        const LaidOutReport pages = layOut(report);
        QPdfWriter writer(nonInteractiveOutput());
        writer.setTitle(report.title);
        paint(pages, writer);
        return;
    }
    const auto choice = askOutput(parent, report.title);
    if (!choice)
        return;

    // "Report Status" while the pages are produced; a long report can be cancelled.
    QProgressDialog status(QStringLiteral("Generating pages..."), QStringLiteral("Cancel"), 0, 100, parent);
    status.setObjectName(QStringLiteral("ReportStatus"));
    status.setWindowTitle(QStringLiteral("Report Status"));
    status.setWindowModality(Qt::WindowModal);
    status.setMinimumDuration(300);
    const LaidOutReport pages = layOut(report, [&status](int done, int all) {
        status.setMaximum(qMax(all, 1));
        status.setValue(done);
        status.setLabelText(QStringLiteral("Generating pages: %1 of %2 rows").arg(done).arg(all));
        QApplication::processEvents();
        return !status.wasCanceled();
    });
    status.close();
    if (pages.pages.empty())
        return;

    deliver(*choice, report.title, parent,
            [&](QPagedPaintDevice &device) { paint(pages, device, choice->from, choice->to); });
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
    if (!nonInteractiveOutput().isEmpty()) {
        QPdfWriter writer(nonInteractiveOutput());
        writer.setTitle(title);
        paintOn(writer);
        return;
    }
    if (const auto choice = askOutput(parent, title))
        deliver(*choice, title, parent, paintOn);
}
