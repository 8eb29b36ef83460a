#pragma once

#include <QMainWindow>

namespace vq {

class CT52106App;
class CT52106View;

// The main window: menus, toolbar and status bar around the canvas view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CT52106App& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    [[nodiscard]] CT52106View* canvas() const { return m_view; }
    // "<document name> - Velquin"; "無題" for a new document.
    void updateTitle(const QString& documentPath);

private:
    CT52106App& m_app;
    CT52106View* m_view = nullptr;
};

} // namespace vq
