#include "dialogs/ProcessingPopup.h"

#include "view/BackgroundWork.h"
#include "view/Prompts.h"
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QProgressBar>
#include <QVBoxLayout>

namespace vq {

namespace {

// 181 x 18 dialog units at the dialog font.
constexpr int kWidth = 300;
constexpr int kHeight = 30;

} // namespace

ProcessingPopup::ProcessingPopup(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ProcessingPopup"));
    setFixedSize(kWidth, kHeight);
    // Input elsewhere waits while a document is being read or written.
    setWindowModality(Qt::ApplicationModal);

    // Without a title bar the popup would melt into the window under it; a
    // thin line keeps its edge.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    outer->addWidget(panel);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    m_progress = new QProgressBar(panel);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 0); // busy: the libraries report no progress
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
}

bool ProcessingPopup::RunShown(const std::function<bool(QObject* owner)>& job, QWidget* parent)
{
    ProcessingPopup dlg(parent);
    dlg.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // Packing and unpacking hundreds of megabytes takes seconds: the job
    // runs on a thread of its own while this one keeps the windows painted
    // and the bar moving.
    bool ok = false;
    RunWhileWindowsPaint([&] { ok = job(&dlg); });
    dlg.done(ok ? QDialog::Accepted : QDialog::Rejected);
    return ok;
}

bool ProcessingPopup::Pack(const QString& sourcePath, const QString& memberName, const QString& destFolder, QWidget* parent)
{
    return RunShown(
        [&](QObject* owner) {
            Report failure;
            if (RunPack(sourcePath, memberName, destFolder, &failure))
                return true;
            ShowMessage(failure, owner);
            return false;
        },
        parent);
}

bool ProcessingPopup::Unpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
                       QString* dataFileName, QWidget* parent)
{
    return RunShown(
        [&](QObject* owner) {
            Report failure;
            if (RunUnpack(extractFolder, cabinetName, cabinetFolder, dataFileName, &failure))
                return true;
            ShowMessage(failure, owner);
            return false;
        },
        parent);
}

} // namespace vq
