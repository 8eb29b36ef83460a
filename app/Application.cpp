#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "app/DocumentController.h"
#include "app/DocumentCommands.h"
#include "app/ArrangeCommands.h"
#include "app/ExportCommands.h"
#include "app/ImageCommands.h"
#include "app/RotateCommands.h"
#include "app/RangeCommands.h"
#include "app/NodeImageCommands.h"
#include "app/MultiCutCommands.h"
#include "app/PrintCommands.h"
#include "app/PropertyCommands.h"
#include "app/SystemCommands.h"
#include "app/RecoveryKeeper.h"
#include "view/Prompts.h"
#include "base/TextUtil.h"
#include "model/Recovery.h"
#include "model/WorkFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTranslator>

namespace vq {

namespace {

// "Recent File List" keeps its entries in order; only the newest is opened at start-up.
constexpr SettingKey kNewestRecentFile{"Recent File List", "File1", 0};

constexpr char kQtTranslation[] = "qtbase_ja";
// Long enough to be read after a pause; the failure is told again only after
// a copy has been written in between.
constexpr int kCopyFailureShownMs = 20000;
} // namespace

std::unique_ptr<QTranslator> InstallQtTranslations(const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromLatin1(kQtTranslation), folder) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

void ApplyPaperSettings(QPrinter& printer, int paperCode, int orientation)
{
    if (const std::optional<QPageSize> size = PageSizeFromPaperCode(paperCode))
        printer.setPageSize(*size);
    printer.setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

Application::Application()
    : qtTranslationsFolder(QLibraryInfo::path(QLibraryInfo::TranslationsPath)),
      m_settings(std::make_unique<Settings>()), m_document(std::make_unique<DocumentController>(*this))
{
    m_history.setReportSink(messageSink());
}

Application::~Application()
{
    // The frame writes the settings and cleans the working folder as it goes.
    m_frame.reset();
    m_doc.ReleasePictures();
}

QObject* Application::mainFrameObject() const
{
    return m_frame.get();
}

bool Application::InitInstance(const QStringList& arguments)
{
    // Without the translation the program still runs, in part in English.
    m_qtTranslator = InstallQtTranslations(qtTranslationsFolder);
    if (!m_doc.AllocateNodeArrays()) {
        ShowMessage(kMsgOutOfMemory, nullptr, {}, kStyleError);
        return false;
    }
    appLook = m_settings->value(keys::ApplicationLook);
    if (!InitPrinterDefaults())
        return false;

    // The document path is made absolute now: the working folder becomes the
    // current folder later on.
    commandLinePath.clear();
    for (const QString& arg : arguments.mid(1)) {
        if (!arg.startsWith(QLatin1Char('-'))) {
            commandLinePath = QFileInfo(arg).absoluteFilePath();
            break;
        }
    }

    m_doc.ResetDocument();
    m_frame = std::make_unique<MainWindow>(*this);
    QObject::connect(m_document.get(), &DocumentController::titleChanged, m_frame.get(), &MainWindow::updateTitle);
    wireDocumentCommands(*m_frame, *m_document);
    wireImageCommands(*m_frame);
    wireArrangeCommands(*m_frame);
    wireExportCommands(*m_frame);
    wireRotateCommands(*m_frame);
    wireRangeCommands(*m_frame);
    wireNodeImageCommands(*m_frame);
    wireMultiCutCommands(*m_frame);
    wirePrintCommands(*m_frame);
    wirePropertyCommands(*m_frame);
    wireSystemCommands(*m_frame);
    m_frame->show();
    m_document->OnNewDocument();
    // This instance's own working folder, for its undo snapshots and scratch files.
    Report noFolder;
    if (GetWorkFolder({}, &noFolder).isEmpty())
        ShowMessage(noFolder);
    // Work a crashed instance left behind is offered before anything else
    // becomes the document; a restored one stays the document. A document
    // asked for on the command line is offered only its own copy.
    Report noRecoveryFolder;
    const QString recoveryFolder = RecoveryFolder(&noRecoveryFolder);
    if (recoveryFolder.isEmpty())
        ShowMessage(noRecoveryFolder);
    auto* recovery = new RecoveryKeeper(m_edits, *m_document, recoveryFolder, m_frame.get());
    QObject::connect(recovery, &RecoveryKeeper::copyFailed, m_frame.get(), [this](const QString& text) {
        if (statusBar)
            statusBar->showMessage(text, kCopyFailureShownMs);
    });
    const bool recovered = recovery->OfferLeftCopies(commandLinePath);
    // The working folders of instances that died go once nothing can need them.
    RemoveStaleWorkFolders();

    m_sys.read(*m_settings);

    firstOpenPath.clear();
    // The copy restored was the command line's document's own.
    if (recovered)
        commandLinePath.clear();
    else if (commandLinePath.isEmpty() && m_settings->value(keys::FirstOpen) == 1)
        firstOpenPath = m_settings->text(kNewestRecentFile);
    // A document that cannot be opened leaves the new one in place.
    if (!commandLinePath.isEmpty())
        m_document->OnOpenDocument(commandLinePath);
    else if (!firstOpenPath.isEmpty())
        m_document->OnOpenDocument(firstOpenPath);
    RefreshStatusCounts(false);
    return true;
}

bool Application::InitPrinterDefaults()
{
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    // Queues without a default are still printers; the first one stands in.
    if (info.isNull())
        info = QPrinterInfo::availablePrinters().value(0);
    m_printer = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                              : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (info.isNull()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        // Qt's high resolution for a PDF file is 1200 dpi: four times the
        // pixels of 600 dpi for no visible gain in a photograph.
        m_printer->setResolution(kPdfResolution);
    }
    ApplyPaperSettings(*m_printer, m_settings->value(keys::PaperSize), m_settings->value(keys::Orientation));
    return true;
}

void Application::RefreshStatusCounts(bool clearSelection)
{
    if (!statusBar)
        return;
    const DocState& s = m_doc.state;
    statusBar->setPaneText(kPaneObject, FormatThousands(QString::number(s.nodeCount)));
    if (!clearSelection && s.mainIndex != -1 && s.mainIndex >= 0 && s.mainIndex < s.nodeCount) {
        const NodeRecord& n = m_doc.nodes[s.mainIndex];
        statusBar->setPaneText(kPanePos, QStringLiteral("%1, %2").arg(n.centerX - n.halfWidth).arg(n.centerY - n.halfHeight));
        statusBar->setPaneText(kPaneSize, QStringLiteral("%1×%2").arg(2 * n.halfWidth).arg(2 * n.halfHeight));
    } else {
        statusBar->setPaneText(kPanePos, {});
        statusBar->setPaneText(kPaneSize, {});
    }
}

} // namespace vq
