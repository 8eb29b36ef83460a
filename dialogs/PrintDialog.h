#pragma once

#include "dialogs/PrintPreview.h"
#include "print/PagePrinter.h"
#include "print/PrintLayout.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vq {

class Document;
class Settings;
struct RangeMode;
struct SysSettings;

// "印刷": the printer and paper, orientation, print range, margins and a live
// preview of one page; prints the canvas tiled over pages or fitted on one.
// Works on the application's print record, so choices last for the run.
class PrintDialog : public QDialog {
    Q_OBJECT
public:
    PrintDialog(QPrinter& printer, Settings& settings, const Document& doc, const SysSettings& sys,
               const RangeMode& mode, QWidget* parent = nullptr);
    ~PrintDialog() override;

    // What the print button achieved; nothing when it did not print.
    [[nodiscard]] std::optional<PrintOutcome> outcome() const { return m_outcome; }
    // The choices the print button would use now.
    [[nodiscard]] PrintSettings printSettings() const;
    [[nodiscard]] const PreviewLayout& layout() const { return m_layout; }
    [[nodiscard]] int currentPage() const { return m_currentPage; }
    [[nodiscard]] bool hasPrinter() const { return m_metrics.valid(); }
    // The size the window cannot be made smaller than.
    [[nodiscard]] QSize minimumTrackSize() const { return m_minTrack; }
    // False while the preview shows a picture not decoded yet at its size.
    [[nodiscard]] bool previewShowsEveryPicture() const { return !m_previewMissed; }

protected:
    void done(int result) override;

private:
    void buildControls();
    void placeWindow();
    // The margin fields from m_margins, without the change handlers acting.
    void fillMarginFields();
    void fillFields();
    bool refreshMetrics();
    void RebuildPreview(bool fullRepaint);
    void showPrinterTexts();

    void onMarginChanged(QSpinBox* field, int MarginsMm::*member, bool horizontal);
    void onPageFieldChanged();
    void onFirstPageChanged();
    void onLastPageChanged();
    void onOrientation(int orientation);
    void onRange(PrintRange kind);
    void onFitOnePage(bool on);
    void onShowMargins(bool on);
    void onMinimumMargins();
    void onSetup();
    void onMarginDragged(int edge, int millimetres);
    void onPrint();
    // The poster group's fields into m_poster and the settings.
    void onPosterChanged();
    void onPdfPaper(int index);
    void readPoster();
    void fillPosterFields();
    void enablePosterFields();

    [[nodiscard]] int marginMinimum(bool horizontal) const;
    [[nodiscard]] PrintRange rangeKind() const;

    QPrinter& m_printer;
    Settings& m_settings;
    const Document& m_doc;
    const SysSettings& m_sys;
    const RangeMode& m_mode;

    PrinterMetrics m_metrics;
    PreviewLayout m_layout;
    // The canvas as last drawn for the preview: the scale and the block of
    // the whole preview-sized canvas it holds.
    QImage m_previewCanvas;
    float m_previewScale = 0.0f;
    QRect m_previewBlock;
    // The preview never waits for a decode: it draws what is at hand and is
    // drawn again once the pictures it missed arrive.
    bool m_previewMissed = false;
    MarginsMm m_margins;
    MarginsMm m_minimum{0, 0, 0, 0};  // the printer's unprintable border
    int m_paperCode = 0;
    int m_orientation = 1;
    int m_currentPage = 1;
    int m_firstPage = 1;
    int m_lastPage = 1;
    bool m_fitOnePage = false;
    bool m_showMargins = false;
    PosterOptions m_poster;
    bool m_ready = false;
    QSize m_minTrack;
    std::optional<PrintOutcome> m_outcome;

    QPushButton* m_printButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
    QPushButton* m_setupButton = nullptr;
    QLabel* m_printerName = nullptr;
    QLabel* m_paperName = nullptr;
    QLabel* m_paperSize = nullptr;
    QRadioButton* m_rangeAll = nullptr;
    QRadioButton* m_rangeCurrent = nullptr;
    QRadioButton* m_rangePages = nullptr;
    QLineEdit* m_firstField = nullptr;
    QLineEdit* m_lastField = nullptr;
    QCheckBox* m_fit = nullptr;
    QSpinBox* m_marginLeft = nullptr;
    QSpinBox* m_marginRight = nullptr;
    QSpinBox* m_marginTop = nullptr;
    QSpinBox* m_marginBottom = nullptr;
    QPushButton* m_minimumButton = nullptr;
    QCheckBox* m_showMarginsBox = nullptr;
    QLabel* m_gridLabel = nullptr;
    QSpinBox* m_pageField = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    PrintPreview* m_preview = nullptr;
    QLabel* m_pdfPaperLabel = nullptr;
    QComboBox* m_pdfPaper = nullptr;
    QWidget* m_posterBox = nullptr;
    QRadioButton* m_posterScreen = nullptr;
    QRadioButton* m_posterAcross = nullptr;
    QRadioButton* m_posterWidth = nullptr;
    QSpinBox* m_posterAcrossField = nullptr;
    QSpinBox* m_posterWidthField = nullptr;
    QSpinBox* m_overlapField = nullptr;
    QCheckBox* m_marksBox = nullptr;
    QCheckBox* m_labelsBox = nullptr;
    QCheckBox* m_mapBox = nullptr;
    QLabel* m_labelNote = nullptr;
};

} // namespace vq
