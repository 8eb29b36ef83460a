#include "dialogs/PrintDialog.h"

#include "model/Document.h"
#include "imaging/PictureCache.h"
#include "render/PictureSupply.h"
#include "view/BackgroundWork.h"
#include "view/PictureArrivals.h"
#include "view/Prompts.h"
#include "base/Prompter.h"
#include "base/Settings.h"
#include "base/WaitCursor.h"
#include "print/PaperTable.h"

#include <QPageLayout>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace vq {

namespace {

constexpr int kPortrait = 1;
constexpr int kLandscape = 2;
// The number fields accept any typed number; out-of-range values are
// corrected by the field handlers, as the user sees them typed.
constexpr int kFieldMax = 99999;

// The field's floor is its real minimum, so a value typed on the way to a
// valid one ("3" of "30" where the minimum is 6) is not corrected under the
// user's fingers; what is still below it when editing ends becomes the
// minimum. Values above 50 cannot become valid by typing more and are
// corrected at once by the field handlers.
QSpinBox* numberSpin(QWidget* parent, const char* name)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, kFieldMax);
    spin->setKeyboardTracking(true);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->setMinimumWidth(64);
    return spin;
}

QLineEdit* numberField(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,]{0,7}")), field));
    field->setMaximumWidth(64);
    return field;
}

// A decimal integer after removing thousands commas; nothing for an empty field.
std::optional<int> fieldNumber(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(','));
    bool ok = false;
    const int value = digits.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QPushButton* iconButton(QWidget* parent, const char* name, const QString& text, QStyle::StandardPixmap icon,
                        const QString& tip)
{
    auto* button = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

QString printerDisplayName(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("PDF");
    return printer.printerName();
}

} // namespace

PrintDialog::PrintDialog(QPrinter& printer, Settings& settings, const Document& doc, const SysSettings& sys,
                       const RangeMode& mode, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_settings(settings), m_doc(doc), m_sys(sys), m_mode(mode)
{
    setObjectName(QStringLiteral("PrintDialog"));
    setWindowTitle(QStringLiteral("印刷"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    buildControls();

    // A child: it goes with the dialog.
    new PictureArrivals([this] { return m_previewMissed ? ArrivalAnswer::Gather : ArrivalAnswer::Ignore; },
                        [this] {
                            if (m_previewMissed)
                                RebuildPreview(false);
                        },
                        this);

    if (!refreshMetrics()) {
        ShowMessage(kMsgNoPrinterContext, this, QStringLiteral("CreateDC At SetPaperSize\n"), kStyleError);
        m_minTrack = sizeHint();
        setMinimumSize(m_minTrack);
        return;
    }
    m_orientation = m_printer.pageLayout().orientation() == QPageLayout::Portrait ? kPortrait : kLandscape;
    (m_orientation == kPortrait ? m_portrait : m_landscape)->setChecked(true);
    showPrinterTexts();

    m_margins = {m_settings.value(keys::MarginLmm), m_settings.value(keys::MarginRmm),
                 m_settings.value(keys::MarginTmm), m_settings.value(keys::MarginBmm)};
    m_currentPage = 1;
    m_fitOnePage = m_settings.value(keys::AllOne) != 0;
    switch (static_cast<PrintRange>(m_settings.value(keys::Hani))) {
    case PrintRange::Current:
        m_rangeCurrent->setChecked(true);
        m_fitOnePage = false;
        m_fit->setEnabled(false);
        break;
    case PrintRange::Pages:
        m_rangePages->setChecked(true);
        m_fit->setChecked(m_fitOnePage);
        break;
    default:
        m_rangeAll->setChecked(true);
        m_fitOnePage = false;
        m_fit->setEnabled(false);
        break;
    }
    m_showMargins = m_settings.value(keys::DspYohaku) != 0;
    m_showMarginsBox->setChecked(m_showMargins);
    m_firstPage = 1;
    readPoster();
    fillFields();
    m_ready = true;
    // Stored margins outside the printer's range are corrected now, as typed ones are.
    onMarginChanged(m_marginLeft, &MarginsMm::left, true);
    onMarginChanged(m_marginRight, &MarginsMm::right, true);
    onMarginChanged(m_marginTop, &MarginsMm::top, false);
    onMarginChanged(m_marginBottom, &MarginsMm::bottom, false);
    RebuildPreview(true);
    placeWindow();
}

PrintDialog::~PrintDialog()
{
    PictureCache::instance().cancelRequests(this);
}

void PrintDialog::buildControls()
{
    m_printButton = iconButton(this, "print", QStringLiteral("印刷実行(&S)"), QStyle::SP_DialogApplyButton,
                               QStringLiteral("指定した設定内容で印刷を実行します"));
    m_cancelButton = iconButton(this, "cancel", QStringLiteral("中止(&C)"), QStyle::SP_DialogCancelButton,
                                QStringLiteral("中止して戻ります"));
    connect(m_printButton, &QPushButton::clicked, this, &PrintDialog::onPrint);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    // 1 printer
    auto* printerBox = new QGroupBox(QStringLiteral("1 プリンタ："), this);
    m_portrait = new QRadioButton(QStringLiteral("縦"), printerBox);
    m_portrait->setObjectName(QStringLiteral("portrait"));
    m_landscape = new QRadioButton(QStringLiteral("横"), printerBox);
    m_landscape->setObjectName(QStringLiteral("landscape"));
    m_setupButton = iconButton(printerBox, "setup", QStringLiteral("設定(&P)"), QStyle::SP_FileDialogDetailedView,
                               QStringLiteral("プリンタ名や用紙サイズなどを変更します"));
    m_printerName = new QLabel(QStringLiteral("Printer Name"), printerBox);
    m_printerName->setObjectName(QStringLiteral("printerName"));
    m_paperName = new QLabel(QStringLiteral("A4"), printerBox);
    m_paperName->setObjectName(QStringLiteral("paperName"));
    m_paperSize = new QLabel(QStringLiteral("? X ? ﾐﾘ"), printerBox);
    m_paperSize->setObjectName(QStringLiteral("paperSize"));
    auto* printerGrid = new QGridLayout(printerBox);
    auto* orientationRow = new QHBoxLayout;
    orientationRow->addWidget(m_portrait);
    orientationRow->addWidget(m_landscape);
    orientationRow->addStretch();
    orientationRow->addWidget(m_setupButton);
    printerGrid->addLayout(orientationRow, 0, 0, 1, 2);
    printerGrid->addWidget(new QLabel(QStringLiteral("プリンタ名："), printerBox), 1, 0);
    printerGrid->addWidget(m_printerName, 1, 1);
    printerGrid->addWidget(new QLabel(QStringLiteral("用紙："), printerBox), 2, 0);
    printerGrid->addWidget(m_paperName, 2, 1);
    printerGrid->addWidget(new QLabel(QStringLiteral("サイズ："), printerBox), 3, 0);
    printerGrid->addWidget(m_paperSize, 3, 1);
    printerGrid->setColumnStretch(1, 1);
    connect(m_portrait, &QRadioButton::clicked, this, [this] { onOrientation(kPortrait); });
    connect(m_landscape, &QRadioButton::clicked, this, [this] { onOrientation(kLandscape); });
    connect(m_setupButton, &QPushButton::clicked, this, &PrintDialog::onSetup);

    // 2 range
    auto* rangeBox = new QGroupBox(QStringLiteral("2 印刷範囲："), this);
    m_rangeAll = new QRadioButton(QStringLiteral("すべてのページ(&A)"), rangeBox);
    m_rangeAll->setObjectName(QStringLiteral("rangeAll"));
    m_rangeCurrent = new QRadioButton(QStringLiteral("現在のページ(&N)"), rangeBox);
    m_rangeCurrent->setObjectName(QStringLiteral("rangeCurrent"));
    m_rangePages = new QRadioButton(QStringLiteral("ページ指定(&R)"), rangeBox);
    m_rangePages->setObjectName(QStringLiteral("rangePages"));
    m_firstField = numberField(rangeBox, "firstPage");
    m_lastField = numberField(rangeBox, "lastPage");
    m_fit = new QCheckBox(QStringLiteral("全1ページ(&J)"), rangeBox);
    m_fit->setObjectName(QStringLiteral("fitOnePage"));
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    rangeLayout->addWidget(m_rangeAll);
    rangeLayout->addWidget(m_rangeCurrent);
    rangeLayout->addWidget(m_rangePages);
    auto* fromTo = new QHBoxLayout;
    fromTo->addSpacing(16);
    fromTo->addWidget(new QLabel(QStringLiteral("開始："), rangeBox));
    fromTo->addWidget(m_firstField);
    fromTo->addWidget(new QLabel(QStringLiteral("- 終了："), rangeBox));
    fromTo->addWidget(m_lastField);
    fromTo->addStretch();
    rangeLayout->addLayout(fromTo);
    rangeLayout->addWidget(m_fit);
    connect(m_rangeAll, &QRadioButton::clicked, this, [this] { onRange(PrintRange::All); });
    connect(m_rangeCurrent, &QRadioButton::clicked, this, [this] { onRange(PrintRange::Current); });
    connect(m_rangePages, &QRadioButton::clicked, this, [this] { onRange(PrintRange::Pages); });
    connect(m_fit, &QCheckBox::clicked, this, &PrintDialog::onFitOnePage);
    connect(m_firstField, &QLineEdit::textChanged, this, &PrintDialog::onFirstPageChanged);
    connect(m_lastField, &QLineEdit::textChanged, this, &PrintDialog::onLastPageChanged);

    // 3 margins
    auto* marginBox = new QGroupBox(QStringLiteral("3 余白：(max : 50ﾐﾘ)"), this);
    m_marginLeft = numberSpin(marginBox, "marginLeft");
    m_marginRight = numberSpin(marginBox, "marginRight");
    m_marginTop = numberSpin(marginBox, "marginTop");
    m_marginBottom = numberSpin(marginBox, "marginBottom");
    m_minimumButton = new QPushButton(QStringLiteral("余白最小(&V)"), marginBox);
    m_minimumButton->setObjectName(QStringLiteral("minimumMargins"));
    m_minimumButton->setToolTip(QStringLiteral("各余白を最小にします"));
    m_minimumButton->setAutoDefault(false);
    m_showMarginsBox = new QCheckBox(QStringLiteral("余白を表示(&M)"), marginBox);
    m_showMarginsBox->setObjectName(QStringLiteral("showMargins"));
    auto* marginGrid = new QGridLayout(marginBox);
    marginGrid->addWidget(new QLabel(QStringLiteral("左"), marginBox), 0, 0);
    marginGrid->addWidget(m_marginLeft, 0, 1);
    marginGrid->addWidget(new QLabel(QStringLiteral("右"), marginBox), 0, 2);
    marginGrid->addWidget(m_marginRight, 0, 3);
    marginGrid->addWidget(new QLabel(QStringLiteral("上"), marginBox), 1, 0);
    marginGrid->addWidget(m_marginTop, 1, 1);
    marginGrid->addWidget(new QLabel(QStringLiteral("下"), marginBox), 1, 2);
    marginGrid->addWidget(m_marginBottom, 1, 3);
    marginGrid->addWidget(m_minimumButton, 2, 0, 1, 2);
    marginGrid->addWidget(m_showMarginsBox, 2, 2, 1, 2);
    connect(m_marginLeft, &QSpinBox::valueChanged, this,
            [this] { onMarginChanged(m_marginLeft, &MarginsMm::left, true); });
    connect(m_marginRight, &QSpinBox::valueChanged, this,
            [this] { onMarginChanged(m_marginRight, &MarginsMm::right, true); });
    connect(m_marginTop, &QSpinBox::valueChanged, this,
            [this] { onMarginChanged(m_marginTop, &MarginsMm::top, false); });
    connect(m_marginBottom, &QSpinBox::valueChanged, this,
            [this] { onMarginChanged(m_marginBottom, &MarginsMm::bottom, false); });
    connect(m_minimumButton, &QPushButton::clicked, this, &PrintDialog::onMinimumMargins);
    connect(m_showMarginsBox, &QCheckBox::clicked, this, &PrintDialog::onShowMargins);

    // PDF papers, offered only when the pages go into a PDF file
    m_pdfPaperLabel = new QLabel(QStringLiteral("PDF用紙(&F)："), printerBox);
    m_pdfPaper = new QComboBox(printerBox);
    m_pdfPaper->setObjectName(QStringLiteral("pdfPaper"));
    m_pdfPaper->setToolTip(QStringLiteral("PDFファイルの用紙サイズを選びます"));
    for (const PdfPaper& paper : PdfPapers())
        m_pdfPaper->addItem(QString::fromUtf8(paper.name));
    m_pdfPaperLabel->setBuddy(m_pdfPaper);
    printerGrid->addWidget(m_pdfPaperLabel, 4, 0);
    printerGrid->addWidget(m_pdfPaper, 4, 1);
    connect(m_pdfPaper, &QComboBox::activated, this, &PrintDialog::onPdfPaper);

    // 5 poster
    auto* posterBox = new QGroupBox(QStringLiteral("5 ポスター："), this);
    posterBox->setObjectName(QStringLiteral("posterGroup"));
    m_posterBox = posterBox;
    m_posterScreen = new QRadioButton(QStringLiteral("画面と同じ大きさ(&D)"), posterBox);
    m_posterScreen->setObjectName(QStringLiteral("posterScreen"));
    m_posterScreen->setToolTip(QStringLiteral("キャンバスを画面と同じ大きさで印刷します"));
    m_posterAcross = new QRadioButton(QStringLiteral("横の枚数(&Y)"), posterBox);
    m_posterAcross->setObjectName(QStringLiteral("posterAcross"));
    m_posterAcross->setToolTip(QStringLiteral("キャンバスを横 N 枚の用紙の幅いっぱいに拡大します（縦の枚数は縦横比で決まります）"));
    m_posterWidth = new QRadioButton(QStringLiteral("仕上がりの幅(&W)"), posterBox);
    m_posterWidth->setObjectName(QStringLiteral("posterWidth"));
    m_posterWidth->setToolTip(QStringLiteral("ポスターの仕上がりの幅をミリで指定します"));
    m_posterAcrossField = new QSpinBox(posterBox);
    m_posterAcrossField->setObjectName(QStringLiteral("posterAcrossField"));
    m_posterAcrossField->setRange(1, kMaxSheetsAcross);
    m_posterAcrossField->setSuffix(QStringLiteral(" 枚"));
    m_posterAcrossField->setToolTip(m_posterAcross->toolTip());
    m_posterWidthField = new QSpinBox(posterBox);
    m_posterWidthField->setObjectName(QStringLiteral("posterWidthField"));
    m_posterWidthField->setRange(kMinPosterWidthMm, kMaxPosterWidthMm);
    m_posterWidthField->setSuffix(QStringLiteral(" ﾐﾘ"));
    m_posterWidthField->setToolTip(m_posterWidth->toolTip());
    m_overlapField = new QSpinBox(posterBox);
    m_overlapField->setObjectName(QStringLiteral("overlap"));
    m_overlapField->setRange(0, kMaxOverlapMm);
    m_overlapField->setSuffix(QStringLiteral(" ﾐﾘ"));
    m_overlapField->setToolTip(
        QStringLiteral("となりの用紙と重ねて貼る幅です。各用紙は左と上の用紙の端をこの幅だけ繰り返します"));
    auto* overlapLabel = new QLabel(QStringLiteral("のりしろ(&O)："), posterBox);
    overlapLabel->setBuddy(m_overlapField);
    m_marksBox = new QCheckBox(QStringLiteral("トンボ(&T)"), posterBox);
    m_marksBox->setObjectName(QStringLiteral("marks"));
    m_marksBox->setToolTip(QStringLiteral("余白の四隅に裁ち落とし用のトンボを、のりしろの側に切り取り線を印刷します"));
    m_labelsBox = new QCheckBox(QStringLiteral("用紙番号(&L)"), posterBox);
    m_labelsBox->setObjectName(QStringLiteral("labels"));
    m_labelsBox->setToolTip(QStringLiteral("下の余白に「B-3　3 / 12」のような用紙の番号を印刷します"));
    m_mapBox = new QCheckBox(QStringLiteral("貼り合わせ図(&K)"), posterBox);
    m_mapBox->setObjectName(QStringLiteral("map"));
    m_mapBox->setToolTip(QStringLiteral("すべてのページを印刷するとき、用紙の並べ方を示す図を1ページ目に印刷します"));
    m_labelNote = new QLabel(QStringLiteral("下の余白が狭いため、用紙番号は印刷されません"), posterBox);
    m_labelNote->setObjectName(QStringLiteral("labelNote"));
    m_labelNote->setWordWrap(true);
    m_labelNote->setVisible(false);
    auto* posterGrid = new QGridLayout(posterBox);
    posterGrid->addWidget(m_posterScreen, 0, 0, 1, 2);
    posterGrid->addWidget(m_posterAcross, 1, 0);
    posterGrid->addWidget(m_posterAcrossField, 1, 1);
    posterGrid->addWidget(m_posterWidth, 2, 0);
    posterGrid->addWidget(m_posterWidthField, 2, 1);
    posterGrid->addWidget(overlapLabel, 3, 0);
    posterGrid->addWidget(m_overlapField, 3, 1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_marksBox);
    checks->addWidget(m_labelsBox);
    checks->addWidget(m_mapBox);
    checks->addStretch();
    posterGrid->addLayout(checks, 4, 0, 1, 2);
    posterGrid->addWidget(m_labelNote, 5, 0, 1, 2);
    for (QRadioButton* radio : {m_posterScreen, m_posterAcross, m_posterWidth})
        connect(radio, &QRadioButton::clicked, this, &PrintDialog::onPosterChanged);
    for (QSpinBox* field : {m_posterAcrossField, m_posterWidthField, m_overlapField})
        connect(field, &QSpinBox::valueChanged, this, &PrintDialog::onPosterChanged);
    for (QCheckBox* box : {m_marksBox, m_labelsBox, m_mapBox})
        connect(box, &QCheckBox::clicked, this, &PrintDialog::onPosterChanged);

    // 4 preview
    m_gridLabel = new QLabel(QStringLiteral("(縦 2 × 横 2 ページ)"), this);
    m_gridLabel->setObjectName(QStringLiteral("pageGrid"));
    m_pageField = numberSpin(this, "page");
    m_pageField->setMinimum(1);
    m_pageCountLabel = new QLabel(QStringLiteral("/ 10 ページ"), this);
    m_pageCountLabel->setObjectName(QStringLiteral("pageCount"));
    m_preview = new PrintPreview(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    connect(m_pageField, &QSpinBox::valueChanged, this, &PrintDialog::onPageFieldChanged);
    connect(m_preview, &PrintPreview::marginDragged, this, &PrintDialog::onMarginDragged);
    connect(m_preview, &PrintPreview::resized, this, [this] {
        if (m_ready)
            RebuildPreview(true);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_printButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addWidget(printerBox);
    left->addWidget(rangeBox);
    left->addWidget(marginBox);
    left->addWidget(posterBox);
    left->addStretch();

    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(new QLabel(QStringLiteral("4 プレビュー："), this));
    pageRow->addWidget(m_gridLabel);
    pageRow->addStretch();
    pageRow->addWidget(m_pageField);
    pageRow->addWidget(m_pageCountLabel);
    auto* right = new QVBoxLayout;
    right->addLayout(pageRow);
    right->addWidget(m_preview, 1);

    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(6, 6, 2, 2);
    main->addLayout(left);
    main->addLayout(right, 1);
}

bool PrintDialog::refreshMetrics()
{
    m_metrics = m_printer.isValid() ? MetricsOf(m_printer) : PrinterMetrics{};
    if (!m_metrics.valid())
        return false;
    m_minimum = MinimumMargins(m_metrics);
    const bool ready = m_ready;
    m_ready = false;
    m_marginLeft->setMinimum(m_minimum.left);
    m_marginRight->setMinimum(m_minimum.right);
    m_marginTop->setMinimum(m_minimum.top);
    m_marginBottom->setMinimum(m_minimum.bottom);
    m_ready = ready;
    return true;
}

void PrintDialog::showPrinterTexts()
{
    m_printerName->setText(printerDisplayName(m_printer));
    const QPageSize size = m_printer.pageLayout().pageSize();
    const int code = PaperCodeOf(size);
    const int pdfPaper = PdfPaperIndexOf(size);
    // A paper only the PDF list has is named as that list names it.
    m_paperName->setText(code == 0 && pdfPaper >= 0 ? QString::fromUtf8(PdfPapers()[std::size_t(pdfPaper)].name)
                                                     : PaperName(code));
}

void PrintDialog::fillMarginFields()
{
    const bool ready = m_ready;
    m_ready = false;
    m_marginLeft->setValue(m_margins.left);
    m_marginRight->setValue(m_margins.right);
    m_marginTop->setValue(m_margins.top);
    m_marginBottom->setValue(m_margins.bottom);
    m_ready = ready;
}

void PrintDialog::fillFields()
{
    fillMarginFields();
    const bool ready = m_ready;
    m_ready = false;
    m_pageField->setValue(m_currentPage);
    m_firstField->setText(QString::number(m_firstPage));
    m_ready = ready;
}

void PrintDialog::readPoster()
{
    PosterOptions p;
    p.sizing = static_cast<PosterSizing>(m_settings.value(keys::PosterSize));
    p.sheetsAcross = m_settings.value(keys::PosterAcross);
    p.widthMm = m_settings.value(keys::PosterWidthMm);
    p.overlapMm = m_settings.value(keys::Norishiro);
    p.marks = m_settings.value(keys::Tonbo) != 0;
    p.labels = m_settings.value(keys::SheetLabel) != 0;
    p.map = m_settings.value(keys::AssemblyMap) != 0;
    m_poster = PosterWithin(p);
}

void PrintDialog::fillPosterFields()
{
    const bool ready = m_ready;
    m_ready = false;
    m_posterScreen->setChecked(m_poster.sizing == PosterSizing::Screen);
    m_posterAcross->setChecked(m_poster.sizing == PosterSizing::SheetsAcross);
    m_posterWidth->setChecked(m_poster.sizing == PosterSizing::WidthMm);
    m_posterAcrossField->setValue(m_poster.sheetsAcross);
    m_posterWidthField->setValue(m_poster.widthMm);
    m_overlapField->setValue(m_poster.overlapMm);
    m_marksBox->setChecked(m_poster.marks);
    m_labelsBox->setChecked(m_poster.labels);
    m_mapBox->setChecked(m_poster.map);
    m_ready = ready;
    enablePosterFields();
}

void PrintDialog::enablePosterFields()
{
    // A fitted page is no poster.
    m_posterBox->setEnabled(!m_fitOnePage);
    m_posterAcrossField->setEnabled(m_poster.sizing == PosterSizing::SheetsAcross);
    m_posterWidthField->setEnabled(m_poster.sizing == PosterSizing::WidthMm);
    m_labelNote->setVisible(m_poster.labels && !LabelFits(m_margins, m_minimum));
    const bool pdf = m_printer.outputFormat() == QPrinter::PdfFormat;
    m_pdfPaperLabel->setVisible(pdf);
    m_pdfPaper->setVisible(pdf);
    if (pdf) {
        const bool ready = m_ready;
        m_ready = false;
        m_pdfPaper->setCurrentIndex(PdfPaperIndexOf(m_printer.pageLayout().pageSize()));
        m_ready = ready;
    }
}

void PrintDialog::onPosterChanged()
{
    if (!m_ready)
        return;
    PosterOptions p = m_poster;
    p.sizing = m_posterAcross->isChecked() ? PosterSizing::SheetsAcross
               : m_posterWidth->isChecked() ? PosterSizing::WidthMm
                                            : PosterSizing::Screen;
    p.sheetsAcross = m_posterAcrossField->value();
    p.widthMm = m_posterWidthField->value();
    p.overlapMm = m_overlapField->value();
    p.marks = m_marksBox->isChecked();
    p.labels = m_labelsBox->isChecked();
    p.map = m_mapBox->isChecked();
    m_poster = PosterWithin(p);
    m_settings.setValue(keys::PosterSize, static_cast<int>(m_poster.sizing));
    m_settings.setValue(keys::PosterAcross, m_poster.sheetsAcross);
    m_settings.setValue(keys::PosterWidthMm, m_poster.widthMm);
    m_settings.setValue(keys::Norishiro, m_poster.overlapMm);
    m_settings.setValue(keys::Tonbo, m_poster.marks ? 1 : 0);
    m_settings.setValue(keys::SheetLabel, m_poster.labels ? 1 : 0);
    m_settings.setValue(keys::AssemblyMap, m_poster.map ? 1 : 0);
    RebuildPreview(true);
}

void PrintDialog::onPdfPaper(int index)
{
    const std::vector<PdfPaper>& papers = PdfPapers();
    if (index < 0 || index >= int(papers.size()))
        return;
    m_printer.setPageSize(PdfPaperSize(papers[std::size_t(index)]));
    m_printer.setPageOrientation(m_orientation == kPortrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    const int code = PaperCodeOf(m_printer.pageLayout().pageSize());
    // The program's paper codes are kept as before; the other papers last for the run.
    if (code != 0) {
        m_paperCode = code;
        m_settings.setValue(keys::PaperSize, code);
    }
    showPrinterTexts();
    RebuildPreview(true);
}

void PrintDialog::placeWindow()
{
    adjustSize();
    m_minTrack = size();
    setMinimumSize(m_minTrack);
    const int px = m_settings.value(keys::InsatuPX);
    const int py = m_settings.value(keys::InsatuPY);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen ? screen->virtualGeometry().size() : QSize();
    if (StoredPlaceUsable(px, py, desktop)) {
        const QSize stored(m_settings.value(keys::InsatuSX), m_settings.value(keys::InsatuSY));
        setGeometry(QRect(QPoint(px, py), stored.expandedTo(m_minTrack)));
    }
    if (m_settings.value(keys::InsatuZoomed) == 1)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void PrintDialog::RebuildPreview(bool fullRepaint)
{
    (void)fullRepaint; // the preview always repaints whole: it is one small widget
    const PageGrid oldGrid = m_layout.grid;
    if (!refreshMetrics())
        return;
    // Another paper or orientation can leave the margins wider than the
    // sheet; they fall back to the printer's minimum rather than leave no
    // printable area.
    if (MarginNotFitting(m_metrics, m_margins)) {
        m_margins = m_minimum;
        fillMarginFields();
    }
    LayoutInput in;
    in.printer = m_metrics;
    in.area = m_preview->rect();
    in.screenDpiX = m_preview->logicalDpiX();
    in.screenDpiY = m_preview->logicalDpiY();
    in.canvasWidth = m_doc.state.canvasWidth;
    in.canvasHeight = m_doc.state.canvasHeight;
    in.margins = m_margins;
    in.fitOnePage = m_fitOnePage;
    in.poster = m_poster;
    m_layout = ComputeLayout(in);
    fillPosterFields();

    m_paperSize->setText(QString::asprintf("%.1f X %.1fmm", double(m_layout.paperWmm), double(m_layout.paperHmm)));
    const int count = m_layout.grid.count();
    m_gridLabel->setText(QStringLiteral("(横 %1 × 縦 %2 ページ)").arg(m_layout.grid.across).arg(m_layout.grid.down));
    m_pageCountLabel->setText(QStringLiteral("/ %1 ページ").arg(count));
    // A first page beyond a grid that shrank would send the two range fields
    // correcting each other for ever.
    if (fieldNumber(m_firstField->text()).value_or(1) > count)
        m_firstField->setText(QString::number(count));
    m_lastField->setText(QString::number(count));
    if (!(oldGrid == m_layout.grid) && m_currentPage > count) {
        m_currentPage = count;
        const bool ready = m_ready;
        m_ready = false;
        m_pageField->setValue(m_currentPage);
        m_ready = ready;
    }

    const CanvasPreview canvas =
        CanvasPreviewSize(m_layout, m_doc.state.canvasWidth, m_doc.state.canvasHeight, m_fitOnePage);
    PrintPreview::Scene scene;
    scene.layout = m_layout;
    scene.currentPage = m_currentPage;
    scene.fitOnePage = m_fitOnePage;
    scene.showMargins = m_showMargins;
    scene.labels = m_poster.labels && LabelFits(m_margins, m_minimum);
    scene.minOffsetXmm = m_minimum.left;
    scene.minOffsetYmm = m_minimum.top;
    scene.canvasSize = canvas.size;
    if (!canvas.size.isEmpty()) {
        // Drawn no larger than shown: the whole canvas when it is no larger
        // than the sheet in the preview, else the current page's block grown
        // to the sheet's size, which every margin of that page stays within.
        // Kept while the scale stays, so a margin step draws nothing again.
        const QRect whole(QPoint(0, 0), canvas.size);
        const QRect paper = m_layout.paperRect;
        const bool small = qint64(whole.width()) * whole.height() <= qint64(paper.width()) * paper.height();
        const QRect page = PlacePreviewPage(m_layout, canvas.size, m_currentPage, m_fitOnePage).source;
        const QRect block = small ? whole : page;
        const bool held = m_previewScale == canvas.scale && !m_previewCanvas.isNull() && m_previewBlock.contains(block)
                          && !m_previewMissed;
        if (!held && !block.isEmpty()) {
            const QRect drawn = small ? whole : QRect(page.topLeft(), paper.size()).intersected(whole);
            CachedPictureSupply supply(this);
            {
                PictureSupplyScope scope(supply);
                m_previewCanvas = RenderCanvasPart(m_doc, m_sys, m_mode, canvas.scale, drawn);
            }
            m_previewMissed = supply.missedAny();
            m_previewScale = canvas.scale;
            m_previewBlock = drawn;
            if (m_previewCanvas.isNull()) {
                m_previewScale = 0.0f;
                ShowMessage(kMsgOutOfMemory, this, {}, kStyleError);
                return;
            }
        }
        if (!block.isEmpty()) {
            scene.canvas = m_previewCanvas;
            scene.canvasOrigin = m_previewBlock.topLeft();
        }
    }
    m_preview->setScene(std::move(scene));
}

int PrintDialog::marginMinimum(bool horizontal) const
{
    return horizontal ? m_minimum.left : m_minimum.top;
}

PrintRange PrintDialog::rangeKind() const
{
    if (m_rangeCurrent->isChecked())
        return PrintRange::Current;
    if (m_rangePages->isChecked())
        return PrintRange::Pages;
    return PrintRange::All;
}

void PrintDialog::onMarginChanged(QSpinBox* field, int MarginsMm::*member, bool horizontal)
{
    if (!m_ready)
        return;
    const int value = field->value();
    // A corrected field comes back here with the value it now holds.
    const int allowed = MarginWithin(value, marginMinimum(horizontal));
    if (allowed != value) {
        field->setValue(allowed);
        return;
    }
    if (m_margins.*member == value && m_layout.paperRect.isValid())
        return;
    // Margins that leave nothing of the sheet are refused: the field goes
    // back to the last value that left a printable area.
    MarginsMm wanted = m_margins;
    wanted.*member = value;
    if (m_metrics.valid() && MarginNotFitting(m_metrics, wanted)) {
        field->setValue(m_margins.*member);
        return;
    }
    m_margins.*member = value;
    RebuildPreview(false);
}

void PrintDialog::onPageFieldChanged()
{
    if (!m_ready || !isVisible())
        return;
    const int value = m_pageField->value();
    const int allowed = PageWithin(value, m_layout.grid.count());
    if (allowed != value) {
        m_pageField->setValue(allowed);
        return;
    }
    m_currentPage = value;
    RebuildPreview(false);
}

void PrintDialog::onFirstPageChanged()
{
    const std::optional<int> typed = fieldNumber(m_firstField->text());
    const int first = FirstPageField(typed, fieldNumber(m_lastField->text()));
    if (typed)
        m_firstPage = *typed;
    if (!typed || first != *typed)
        m_firstField->setText(QString::number(first));
}

void PrintDialog::onLastPageChanged()
{
    const std::optional<int> typed = fieldNumber(m_lastField->text());
    const int last =
        LastPageField(typed, fieldNumber(m_firstField->text()).value_or(1), m_layout.grid.count());
    if (!typed || last != *typed) {
        m_lastField->setText(QString::number(last));
        return;
    }
    m_lastPage = last;
}

void PrintDialog::onOrientation(int orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    m_printer.setPageOrientation(orientation == kPortrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    RebuildPreview(true);
    m_settings.setValue(keys::Orientation, orientation);
}

void PrintDialog::onRange(PrintRange kind)
{
    m_settings.setValue(keys::Hani, static_cast<int>(kind));
    if (kind == PrintRange::Pages) {
        m_fit->setEnabled(true);
        return;
    }
    m_fitOnePage = false;
    m_settings.setValue(keys::AllOne, 0);
    m_fit->setChecked(false);
    m_fit->setEnabled(false);
    RebuildPreview(true);
}

void PrintDialog::onFitOnePage(bool on)
{
    m_fitOnePage = on;
    m_settings.setValue(keys::AllOne, on ? 1 : 0);
    RebuildPreview(true);
}

void PrintDialog::onShowMargins(bool on)
{
    m_showMargins = on;
    m_preview->setShowMargins(on);
}

void PrintDialog::onMinimumMargins()
{
    m_marginLeft->setValue(m_minimum.left);
    m_marginRight->setValue(m_minimum.right);
    m_marginTop->setValue(m_minimum.top);
    m_marginBottom->setValue(m_minimum.bottom);
}

void PrintDialog::onSetup()
{
    if (!prompter().printSetup(m_printer, this))
        return;
    const int code = PaperCodeOf(m_printer.pageLayout().pageSize());
    const int orientation = m_printer.pageLayout().orientation() == QPageLayout::Portrait ? kPortrait : kLandscape;
    showPrinterTexts();
    if (code != m_paperCode || orientation != m_orientation) {
        (orientation == kPortrait ? m_portrait : m_landscape)->setChecked(true);
        m_paperCode = code;
        m_orientation = orientation;
        if (code != 0)
            m_settings.setValue(keys::PaperSize, code);
        m_settings.setValue(keys::Orientation, orientation);
    }
    // Another printer can have another unprintable border with the same paper.
    if (refreshMetrics()) {
        m_ready = false;
        const MarginsMm held = MarginsWithin(m_margins, m_minimum);
        m_marginLeft->setValue(held.left);
        m_marginRight->setValue(held.right);
        m_marginTop->setValue(held.top);
        m_marginBottom->setValue(held.bottom);
        m_margins = {m_marginLeft->value(), m_marginRight->value(), m_marginTop->value(), m_marginBottom->value()};
        m_ready = true;
    }
    RebuildPreview(true);
}

void PrintDialog::onMarginDragged(int edge, int millimetres)
{
    switch (edge) {
    case 0: m_marginLeft->setValue(millimetres); break;
    case 1: m_marginTop->setValue(millimetres); break;
    case 2: m_marginRight->setValue(millimetres); break;
    case 3: m_marginBottom->setValue(millimetres); break;
    default: return;
    }
    RebuildPreview(true);
}

PrintSettings PrintDialog::printSettings() const
{
    PrintSettings s;
    s.margins = m_margins;
    s.rangeKind = rangeKind();
    s.currentPage = m_currentPage;
    s.firstPage = fieldNumber(m_firstField->text()).value_or(1);
    s.lastPage = fieldNumber(m_lastField->text()).value_or(s.firstPage);
    s.fitOnePage = m_fitOnePage;
    s.poster = m_poster;
    s.screenDpiX = m_preview->logicalDpiX();
    s.screenDpiY = m_preview->logicalDpiY();
    return s;
}

void PrintDialog::onPrint()
{
    m_settings.setValue(keys::MarginLmm, m_marginLeft->value());
    m_settings.setValue(keys::MarginRmm, m_marginRight->value());
    m_settings.setValue(keys::MarginTmm, m_marginTop->value());
    m_settings.setValue(keys::MarginBmm, m_marginBottom->value());
    if (!refreshMetrics()) {
        ShowMessage(kMsgNoPrinterContext, this, QStringLiteral("CreateDC At SetPaperSize\n"), kStyleError);
        reject();
        return;
    }
    QString pdfPath;
    if (m_printer.outputFormat() == QPrinter::PdfFormat) {
        // No printer is installed: the pages go into a PDF file the user names.
        FileRequest request;
        request.title = QStringLiteral("PDFファイルに印刷");
        request.filter = QStringLiteral("PDF (*.pdf)");
        // The file dialog adds the suffix itself, so it asks about the file
        // that will really be replaced.
        request.defaultSuffix = QStringLiteral("pdf");
        const QString previous = m_printer.outputFileName();
        request.directory = previous.isEmpty() ? QDir::homePath() : QFileInfo(previous).absolutePath();
        request.suggestedName = previous.isEmpty() ? QStringLiteral("Velquin.pdf") : QFileInfo(previous).fileName();
        request.owner = this;
        pdfPath = prompter().saveFile(request).path;
        if (pdfPath.isEmpty())
            return;
        if (QFileInfo(pdfPath).suffix().isEmpty())
            pdfPath += QStringLiteral(".pdf");
        m_printer.setOutputFileName(pdfPath);
    }

    const PrintSettings settings = printSettings();
    const int total = PrintJobPages(settings.rangeKind, settings.currentPage, settings.firstPage, settings.lastPage,
                                    m_layout.grid, settings.fitOnePage, settings.poster.map)
                          .count();
    std::unique_ptr<QProgressDialog> progress;
    if (total > 1) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("印刷しています..."), QStringLiteral("中止"), 0,
                                                     total, this);
        progress->setObjectName(QStringLiteral("printProgress"));
        progress->setWindowTitle(QStringLiteral("印刷"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
    }
    // The pages are drawn on a thread of their own, waiting there for the
    // decodes they need, while the windows go on painting; between pages the
    // progress is shown here and asked whether to go on. Only the progress,
    // modal over this dialog, takes input meanwhile: nothing may change the
    // printer or the settings under the job.
    const PageProgress report = [&progress](int printed, int all) {
        if (!progress)
            return true;
        bool goOn = true;
        RunOnWindowThread([&] {
            progress->setMaximum(all);
            progress->setValue(printed);
            QCoreApplication::processEvents();
            goOn = !progress->wasCanceled();
        });
        return goOn;
    };
    {
        const WaitCursor wait;
        const auto job = [&] { m_outcome = PrintCanvas(m_printer, m_doc, m_sys, m_mode, settings, report); };
        if (progress)
            RunBehindModalProgress(job);
        else
            RunWhileWindowsPaint(job);
    }
    progress.reset();
    switch (*m_outcome) {
    case PrintOutcome::NoMemory:
        ShowMessage(kMsgOutOfMemory, this, {}, kStyleError);
        break;
    case PrintOutcome::NoDevice:
        // Saying nothing would leave the user waiting for pages that never come.
        if (!pdfPath.isEmpty())
            ShowMessage(kMsgSaveFailed, this, pdfPath + QLatin1Char('\n'), kStyleError);
        else
            ShowMessage(kMsgNoPrinterContext, this, QStringLiteral("StartDoc\n"), kStyleError);
        break;
    case PrintOutcome::Printed:
    case PrintOutcome::Cancelled:
        break;
    }
    accept();
}

void PrintDialog::done(int result)
{
    m_settings.setValue(keys::DspYohaku, m_showMargins ? 1 : 0);
    const bool zoomed = isMaximized();
    m_settings.setValue(keys::InsatuZoomed, zoomed ? 1 : 0);
    const QRect place = zoomed ? normalGeometry() : geometry();
    m_settings.setValue(keys::InsatuPX, std::max(0, place.x()));
    m_settings.setValue(keys::InsatuPY, std::max(0, place.y()));
    m_settings.setValue(keys::InsatuSX, place.width());
    m_settings.setValue(keys::InsatuSY, place.height());
    QDialog::done(result);
}

} // namespace vq
