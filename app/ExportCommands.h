#pragma once

#include "base/Prompter.h"

#include <QString>

#include <memory>
#include <optional>

class QObject;

namespace vq {

class MainWindow;
class Settings;

// The path typed in the export's save dialog and the 1-based position of the
// file type chosen there.
struct ExportChoice {
    QString path;
    int filterIndex = 0;
};

// The export's two questions that the message seam cannot ask: a file
// together with its type, and the JPEG quality. The program shows the real
// dialogs; tests answer in their place.
class ExportAsker {
public:
    virtual ~ExportAsker() = default;
    // `request.filter` holds the type list; nothing when cancelled.
    virtual std::optional<ExportChoice> chooseTarget(const FileRequest& request, int preselectedFilter) = 0;
    // The quality accepted in the quality dialog; nothing when cancelled.
    virtual std::optional<int> chooseQuality(QObject* owner) = 0;
};

// The desktop's save dialog and the quality dialog JpegQualityDialog.
class DialogExportAsker : public ExportAsker {
public:
    explicit DialogExportAsker(Settings& settings) : m_settings(settings) {}
    std::optional<ExportChoice> chooseTarget(const FileRequest& request, int preselectedFilter) override;
    std::optional<int> chooseQuality(QObject* owner) override;

private:
    Settings& m_settings;
};

// The export of the canvas as one image: asks for the file, its type and, for
// JPEG, the quality; asks before overwriting and before saving at a zoom
// other than 100 %; writes; offers to show the folder. True when a file was
// written. The document, its zoom and its selection are left as they were.
bool ExportCanvasImage(MainWindow& frame, ExportAsker& asker);

// Plugs the export into the frame's command 362, asking with `asker` (the
// real dialogs when null).
void wireExportCommands(MainWindow& frame, std::shared_ptr<ExportAsker> asker = nullptr);

} // namespace vq
