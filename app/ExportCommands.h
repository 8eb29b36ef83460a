#pragma once

#include <QString>

#include <memory>
#include <optional>

class QObject;

namespace vq {

class MainWindow;
class Settings;

// The export's question that the prompter cannot ask: the JPEG quality. The
// program shows the real dialog; tests answer in its place.
class ExportAsker {
public:
    virtual ~ExportAsker() = default;
    // The quality accepted in the quality dialog; nothing when cancelled.
    virtual std::optional<int> chooseQuality(QObject* owner) = 0;
};

// The quality dialog JpegQualityDialog.
class DialogExportAsker : public ExportAsker {
public:
    explicit DialogExportAsker(Settings& settings) : m_settings(settings) {}
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
