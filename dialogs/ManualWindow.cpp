#include "dialogs/ManualWindow.h"

#include "base/MessageIds.h"
#include "base/Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfDocument>
#include <QPdfView>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace vq {

namespace {

// An A4 page at a readable size, shrunk to the screen where it is smaller.
constexpr QSize kPreferredSize(900, 1000);

} // namespace

QString ManualFileName()
{
    return messageText(kMsgManualName).value_or(QStringLiteral("Manual")) + QStringLiteral(".pdf");
}

QStringList ManualCandidates(const QString& programFolder)
{
    const QDir dir(programFolder);
    return {QDir::cleanPath(dir.filePath(ManualFileName())),
            QDir::cleanPath(dir.filePath(QStringLiteral("../share/velquin/") + ManualFileName()))};
}

QString FindManual(const QString& programFolder)
{
    for (const QString& path : ManualCandidates(programFolder))
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

ManualWindow::ManualWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ManualWindow"));
    setWindowTitle(QStringLiteral("Manual"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_document = new QPdfDocument(this);
    m_view = new QPdfView(this);
    m_view->setObjectName(QStringLiteral("manualView"));
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setDocument(m_document);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    // Page keys and arrows scroll the manual as soon as it is up.
    setFocusProxy(m_view);
    m_view->setFocusPolicy(Qt::StrongFocus);

    QSize size = kPreferredSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);

    // It stands in for a dialog, and closes like one.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
}

ManualWindow::~ManualWindow() = default;

bool ManualWindow::open(const QString& pdfPath)
{
    m_path = pdfPath;
    return m_document->load(pdfPath) == QPdfDocument::Error::None;
}

} // namespace vq
