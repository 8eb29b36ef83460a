#pragma once

#include "edit/EditSession.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "model/UndoHistory.h"
#include "print/PaperTable.h"

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QObject;
class QPrinter;
class QTranslator;

namespace vq {

class MainWindow;
class CanvasView;
class StatusBar;
class DocumentController;

// The application object: owns the document model, the settings and the
// printer defaults for the whole run, and offers the shared utilities.
class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up: settings, node arrays, printer defaults, the command line, the
    // main window, the "SYS" values and the first document. False when the
    // program cannot start.
    bool InitInstance(const QStringList& arguments);

    const Document& doc() const { return m_doc; }
    Settings& settings() { return *m_settings; }
    SysSettings& sys() { return m_sys; }
    const SysSettings& sys() const { return m_sys; }
    QPrinter* printer() { return m_printer.get(); }
    UndoHistory& history() { return m_history; }
    // Every editing command goes through it.
    EditSession& edits() { return m_edits; }
    DocumentController& document() { return *m_document; }
    // The main window as the owner of message boxes; null before it exists.
    [[nodiscard]] QObject* mainFrameObject() const;

    // The document named on the command line (absolute), empty when none.
    QString commandLinePath;
    // The document "FirstOpen" asks for at start-up, empty when none.
    QString firstOpenPath;
    // The visual style id of the frame ("ApplicationLook").
    int appLook = 216;

    StatusBar* statusBar = nullptr;
    MainWindow* mainFrame = nullptr;

    // "PaperSize" and "Orientation" onto the printer defaults; a PDF printer
    // stands in where no printer is configured.
    bool InitPrinterDefaults();

    // Where Qt's own translations are looked for; Qt's installed folder unless
    // set before InitInstance.
    QString qtTranslationsFolder;

    // OBJECT, POS and SIZE of the status bar; nothing until the panes exist.
    void RefreshStatusCounts(bool clearSelection = false);

private:
    Document m_doc;
    std::unique_ptr<Settings> m_settings;
    SysSettings m_sys;
    UndoHistory m_history;
    EditSession m_edits{m_doc, m_history};
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<DocumentController> m_document;
    std::unique_ptr<MainWindow> m_frame;
    std::unique_ptr<QTranslator> m_qtTranslator;
};

// Installs Qt's Japanese texts (standard buttons, file, folder and colour
// dialogs) from `folder` for as long as the returned translator lives; null
// when they cannot be loaded, and Qt then speaks English.
[[nodiscard]] std::unique_ptr<QTranslator> InstallQtTranslations(const QString& folder);

// The resolution of the PDF printer that stands in where none is installed.
inline constexpr int kPdfResolution = 600;

// Paper code and orientation (1 portrait, 2 landscape, anything else portrait)
// onto `printer`; an unknown code leaves the printer's own paper.
void ApplyPaperSettings(QPrinter& printer, int paperCode, int orientation);

} // namespace vq
