#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QPdfDocument;
class QPdfView;

namespace vq {

// The manual's file name, "Manual.pdf".
[[nodiscard]] QString ManualFileName();

// Where the manual may lie for a program in `programFolder`: next to the
// program (the build folder), then in the installed data folder.
[[nodiscard]] QStringList ManualCandidates(const QString& programFolder);

// The first candidate that exists; empty when there is none.
[[nodiscard]] QString FindManual(const QString& programFolder);

// The window titled "Manual" that shows the PDF manual with Qt's viewer. It
// stays open beside the main window, so the manual can be read while working.
class ManualWindow : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget* parent = nullptr);
    ~ManualWindow() override;

    // False when the file cannot be read as a PDF.
    bool open(const QString& pdfPath);

    [[nodiscard]] QPdfDocument* document() const { return m_document; }
    [[nodiscard]] QPdfView* view() const { return m_view; }
    [[nodiscard]] QString path() const { return m_path; }

private:
    QPdfDocument* m_document = nullptr;
    QPdfView* m_view = nullptr;
    QString m_path;
};

} // namespace vq
