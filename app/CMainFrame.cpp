#include "app/CMainFrame.h"

#include "app/CMyStatusBar.h"
#include "app/CT52106App.h"
#include "model/WorkFolder.h"
#include "view/CT52106View.h"

#include <QFileInfo>

namespace vq {

CMainFrame::CMainFrame(CT52106App& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    app.mainFrame = this;
    m_view = new CT52106View(app, this);
    setCentralWidget(m_view);
    auto* bar = new CMyStatusBar(this);
    setStatusBar(bar);
    app.statusBar = bar;
    resize(1100, 800);
    updateTitle({});
}

CMainFrame::~CMainFrame()
{
    m_app.sys().write(m_app.settings());
    m_app.settings().sync();
    CleanWorkFolder(GetWorkFolder());
    m_app.statusBar = nullptr;
    if (m_app.mainFrame == this)
        m_app.mainFrame = nullptr;
}

void CMainFrame::updateTitle(const QString& documentPath)
{
    const QString name = documentPath.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath).fileName();
    setWindowTitle(name + QStringLiteral(" - Velquin"));
}

} // namespace vq
