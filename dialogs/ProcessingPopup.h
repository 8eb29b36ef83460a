#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;

namespace vq {

// The processing popup (dialog 319): a small borderless window with a busy
// progress bar that stands over the parent while a document is packed or
// unpacked. The job runs as soon as the popup is up and the popup closes
// itself when the job ends; nothing waits for the user. Messages about a
// failed job are owned by the popup.
class ProcessingPopup : public QDialog {
    Q_OBJECT
public:
    // RunPack() with the popup shown; true when the cabinet was written.
    static bool Pack(const QString& sourcePath, const QString& memberName, const QString& destFolder,
                     QWidget* parent = nullptr);
    // RunUnpack() with the popup shown; true when every member was extracted.
    static bool Unpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
                       QString* dataFileName, QWidget* parent = nullptr);

    // Shows a popup over `parent`, runs `job` with the popup as the owner of
    // its messages, closes the popup and returns the job's result.
    static bool RunShown(const std::function<bool(QObject* owner)>& job, QWidget* parent = nullptr);

private:
    explicit ProcessingPopup(QWidget* parent);

    QProgressBar* m_progress = nullptr;
};

} // namespace vq
