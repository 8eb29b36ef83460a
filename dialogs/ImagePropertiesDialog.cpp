#include "dialogs/ImagePropertiesDialog.h"

#include "shell/ShellUtilities.h"
#include "dialogs/BalloonTip.h"
#include "dialogs/ColorPickerButton.h"
#include "dialogs/FrameStyleCombo.h"
#include "dialogs/NumberSpin.h"
#include "dialogs/PicturePreview.h"
#include "edit/EditSession.h"
#include "edit/NodeProperties.h"
#include "model/Document.h"
#include "view/Prompts.h"
#include "base/TextUtil.h"
#include "base/WaitCursor.h"
#include "model/WorkFolder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vq {

namespace {

const char* const kActualTip = "【実寸にする】\nビューのイメージの大きさをメモリ内のイメージの\n大きさと同じにします。";
const char* const kAspectTip =
    "【縦横比同じにする】\nビューのイメージの高さと幅の比率を下の基準に合せて\nメモリ内のイメージと同じにします。";
const char* const kResampleTip =
    "【ビューのイメージの大きさにする】\nメモリ内のイメージの大きさをビューのイメージの大きさになるように\n"
    "変更します。\n※ 原本イメージが大きい場合は、この処理をすることにより\n"
    "  ファイルサイズやメモリ使用量が少なくなります。\n　但し、拡大した場合、画質が劣化します。";
const char* const kUndoTip = "【元に戻す】\nビューのイメージの大きさにした処理を元に戻します。";
const char* const kShowTip = "【表示】\n原本の取得先を表示します。";
const char* const kReloadTip = "【再読込み】\n原本を読み込んでメモリに再セットします。";

QString bytesText(qint64 bytes)
{
    return FormatThousands(QString::number(bytes)) + QStringLiteral("byte");
}

QLabel* valueLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

ImagePropertiesDialog::ImagePropertiesDialog(EditSession& session, int nodeIndex, QWidget* parent)
    : QDialog(parent), m_session(session), m_node(nodeIndex)
{
    setWindowTitle(QStringLiteral("イメージのプロパティ"));
    setObjectName(QStringLiteral("ImagePropertiesDialog"));
    buildControls();

    const Document& doc = m_session.doc();
    const NodeRecord& node = doc.nodes[m_node];

    SetBalloonTip(m_actual, QString::fromUtf8(kActualTip));
    SetBalloonTip(m_aspect, QString::fromUtf8(kAspectTip));
    SetBalloonTip(m_resample, QString::fromUtf8(kResampleTip));
    SetBalloonTip(m_undoResample, QString::fromUtf8(kUndoTip));
    SetBalloonTip(m_show, QString::fromUtf8(kShowTip));
    SetBalloonTip(m_reload, QString::fromUtf8(kReloadTip));

    m_width->setRange(kMinNodeSide, doc.state.canvasWidth);
    m_width->setValue(2 * node.halfWidth);
    m_height->setRange(kMinNodeSide, doc.state.canvasHeight);
    m_height->setValue(2 * node.halfHeight);
    m_widthRange->setText(QStringLiteral("(%1～%2px)").arg(kMinNodeSide).arg(doc.state.canvasWidth));
    m_heightRange->setText(QStringLiteral("(%1～%2px)").arg(kMinNodeSide).arg(doc.state.canvasHeight));

    m_frameWidth->setRange(kMinFrameWidth, kMaxFrameWidth);
    m_frameWidth->setValue(node.frameWidth);
    m_frameColor->setAutomatic(QStringLiteral("枠線なし"), kNoColor);
    m_frameColor->setColor(node.frameColor);
    m_frameStyle->setCurrentIndex(node.frameStyle);

    m_source->setText(NodeSourceDisplay(NodeSourceText(node)));
    m_sourceSize->setText(QStringLiteral("%1 × %2").arg(node.imageWidth).arg(node.imageHeight));
    m_sourceData->setText(bytesText(node.dataSize));

    m_preview->setPicture(node.picture);
    m_preview->setFrameColor(node.frameColor);
    RefreshMemoryInfo();
    m_widthBasis->setChecked(true);
    m_undoResample->setEnabled(false);

    connect(m_width, &NumberSpin::stepped, this, &ImagePropertiesDialog::onWidthStep);
    connect(m_height, &NumberSpin::stepped, this, &ImagePropertiesDialog::onHeightStep);
    connect(m_actual, &QPushButton::clicked, this, &ImagePropertiesDialog::onActualSize);
    connect(m_aspect, &QPushButton::clicked, this, &ImagePropertiesDialog::onSameAspect);
    connect(m_resample, &QPushButton::clicked, this, &ImagePropertiesDialog::onResample);
    connect(m_undoResample, &QPushButton::clicked, this, &ImagePropertiesDialog::onUndoResample);
    connect(m_move[0], &QToolButton::clicked, this, [this] { onMove(-1, 0); });
    connect(m_move[1], &QToolButton::clicked, this, [this] { onMove(0, -1); });
    connect(m_move[2], &QToolButton::clicked, this, [this] { onMove(0, 1); });
    connect(m_move[3], &QToolButton::clicked, this, [this] { onMove(1, 0); });
    connect(m_frameWidth, &NumberSpin::stepped, this, [this](int value) {
        m_session.amend([&](Document& d) { return SetSelectedFrameWidth(d, value); });
        apply();
    });
    connect(m_frameStyle, &QComboBox::currentIndexChanged, this, [this](int style) {
        if (style < 0)
            return;
        m_session.amend([&](Document& d) { return SetSelectedFrameStyle(d, style); });
        apply();
    });
    connect(m_frameColor, &ColorPickerButton::colorChosen, this, [this](ColorRef colour) {
        m_session.amend([&](Document& d) { return SetSelectedFrameColor(d, colour); });
        m_preview->setFrameColor(colour);
        apply();
    });
    connect(m_show, &QPushButton::clicked, this, &ImagePropertiesDialog::onShowOrigin);
    connect(m_reload, &QPushButton::clicked, this, &ImagePropertiesDialog::onReload);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    adjustSize();
    // The window may grow for a larger preview, never shrink below its start.
    setMinimumSize(size());
}

void ImagePropertiesDialog::buildControls()
{
    QStyle* st = style();
    const auto button = [this](const QIcon& icon, const QString& text, const char* name) {
        auto* b = new QPushButton(icon, text, this);
        b->setObjectName(QString::fromLatin1(name));
        // Enter must not press whatever button has the focus.
        b->setAutoDefault(false);
        return b;
    };

    // 1 大きさ
    auto* sizeBox = new QGroupBox(QStringLiteral("1 大きさ"), this);
    m_width = new NumberSpin(sizeBox);
    m_width->setObjectName(QStringLiteral("width"));
    m_height = new NumberSpin(sizeBox);
    m_height->setObjectName(QStringLiteral("height"));
    m_widthRange = new QLabel(QStringLiteral("(50～500px)"), sizeBox);
    m_heightRange = new QLabel(QStringLiteral("(50～500px)"), sizeBox);
    auto* sizeGrid = new QGridLayout(sizeBox);
    auto* widthLabel = new QLabel(QStringLiteral("幅："), sizeBox);
    widthLabel->setBuddy(m_width);
    auto* heightLabel = new QLabel(QStringLiteral("高さ："), sizeBox);
    heightLabel->setBuddy(m_height);
    sizeGrid->addWidget(widthLabel, 0, 0);
    sizeGrid->addWidget(m_width, 0, 1);
    sizeGrid->addWidget(m_widthRange, 0, 2);
    sizeGrid->addWidget(heightLabel, 1, 0);
    sizeGrid->addWidget(m_height, 1, 1);
    sizeGrid->addWidget(m_heightRange, 1, 2);
    sizeGrid->setColumnStretch(3, 1);

    // 6 イメージ
    auto* imageBox = new QGroupBox(QStringLiteral("6 イメージ"), this);
    m_actual = button(st->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("実寸にする(&M)"), "actualSize");
    m_aspect = button(st->standardIcon(QStyle::SP_TitleBarNormalButton), QStringLiteral("縦横比同じにする(&R)"), "sameAspect");
    m_widthBasis = new QRadioButton(QStringLiteral("幅基準"), imageBox);
    m_widthBasis->setObjectName(QStringLiteral("widthBasis"));
    m_heightBasis = new QRadioButton(QStringLiteral("高さ基準"), imageBox);
    m_heightBasis->setObjectName(QStringLiteral("heightBasis"));
    m_resample = button(st->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("ビューのイメージの大きさにする(&F)"), "resample");
    m_undoResample = button(st->standardIcon(QStyle::SP_ArrowBack), QString(), "undoResample");
    m_memorySize = valueLabel(QStringLiteral("---"), imageBox);
    m_memoryData = valueLabel(QStringLiteral("---"), imageBox);
    m_ratioX = valueLabel(QStringLiteral("100%"), imageBox);
    m_ratioY = valueLabel(QStringLiteral("100%"), imageBox);
    auto* imageGrid = new QGridLayout(imageBox);
    imageGrid->addWidget(m_actual, 0, 0, 1, 2);
    imageGrid->addWidget(m_aspect, 1, 0, 1, 2);
    auto* basisRow = new QHBoxLayout;
    basisRow->addSpacing(16);
    basisRow->addWidget(m_widthBasis);
    basisRow->addWidget(m_heightBasis);
    basisRow->addStretch();
    imageGrid->addLayout(basisRow, 2, 0, 1, 2);
    auto* resampleRow = new QHBoxLayout;
    resampleRow->addWidget(m_resample, 1);
    resampleRow->addWidget(m_undoResample);
    imageGrid->addLayout(resampleRow, 3, 0, 1, 2);
    const auto infoRow = [&](int row, const QString& caption, QLabel* value) {
        imageGrid->addWidget(new QLabel(caption, imageBox), row, 0, Qt::AlignRight);
        imageGrid->addWidget(value, row, 1);
    };
    infoRow(4, QStringLiteral("メモリ内の大きさ："), m_memorySize);
    infoRow(5, QStringLiteral("メモリ内のサイズ："), m_memoryData);
    infoRow(6, QStringLiteral("横の比率："), m_ratioX);
    infoRow(7, QStringLiteral("縦の比率："), m_ratioY);
    imageGrid->setColumnStretch(1, 1);

    // 2 位置
    auto* placeBox = new QGroupBox(QStringLiteral("2 位置"), this);
    const QStyle::StandardPixmap arrows[4] = {QStyle::SP_ArrowLeft, QStyle::SP_ArrowUp, QStyle::SP_ArrowDown,
                                              QStyle::SP_ArrowRight};
    const char* const tips[4] = {"1ピクセル左へ", "1ピクセル上へ", "1ピクセル下へ", "1ピクセル右へ"};
    const char* const names[4] = {"moveLeft", "moveUp", "moveDown", "moveRight"};
    auto* placeRow = new QHBoxLayout(placeBox);
    for (int i = 0; i < 4; ++i) {
        m_move[i] = new QToolButton(placeBox);
        m_move[i]->setObjectName(QString::fromLatin1(names[i]));
        m_move[i]->setIcon(st->standardIcon(arrows[i]));
        m_move[i]->setToolTip(QString::fromUtf8(tips[i]));
        m_move[i]->setAutoRepeat(true);
        placeRow->addWidget(m_move[i]);
    }
    placeRow->addStretch();

    // 3, 4, 5: the frame line
    m_frameWidth = new NumberSpin(this);
    m_frameWidth->setObjectName(QStringLiteral("frameWidth"));
    m_frameStyle = new FrameStyleCombo(this);
    m_frameStyle->setObjectName(QStringLiteral("frameStyle"));
    m_frameColor = new ColorPickerButton(this);
    m_frameColor->setObjectName(QStringLiteral("frameColor"));
    auto* frameGrid = new QGridLayout;
    auto* frameWidthLabel = new QLabel(QStringLiteral("3 枠線の太さ："), this);
    frameWidthLabel->setBuddy(m_frameWidth);
    auto* frameWidthRow = new QHBoxLayout;
    frameWidthRow->addWidget(m_frameWidth);
    frameWidthRow->addWidget(new QLabel(QStringLiteral("(1 ～ 20)"), this));
    frameWidthRow->addStretch();
    frameGrid->addWidget(frameWidthLabel, 0, 0);
    frameGrid->addLayout(frameWidthRow, 0, 1);
    frameGrid->addWidget(new QLabel(QStringLiteral("4 枠線のスタイル："), this), 1, 0);
    frameGrid->addWidget(m_frameStyle, 1, 1, Qt::AlignLeft);
    frameGrid->addWidget(new QLabel(QStringLiteral("5 枠線色："), this), 2, 0);
    frameGrid->addWidget(m_frameColor, 2, 1, Qt::AlignLeft);

    // Where the picture came from
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_source->setReadOnly(true);
    m_show = button(QIcon(), QStringLiteral("表示(&L)"), "showOrigin");
    m_reload = button(QIcon(), QStringLiteral("再読込み(&U)"), "reload");
    m_sourceSize = valueLabel(QStringLiteral("---"), this);
    m_sourceData = valueLabel(QStringLiteral("---"), this);
    auto* sourceGrid = new QGridLayout;
    sourceGrid->addWidget(new QLabel(QStringLiteral("原本(取得先)："), this), 0, 0);
    sourceGrid->addWidget(m_source, 0, 1, 1, 3);
    sourceGrid->addWidget(new QLabel(QStringLiteral("原本の大きさ："), this), 1, 0);
    sourceGrid->addWidget(m_sourceSize, 1, 1);
    sourceGrid->addWidget(m_show, 1, 2);
    sourceGrid->addWidget(m_reload, 1, 3);
    sourceGrid->addWidget(new QLabel(QStringLiteral("原本のサイズ："), this), 2, 0);
    sourceGrid->addWidget(m_sourceData, 2, 1);
    sourceGrid->setColumnStretch(1, 1);

    m_preview = new PicturePreview(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setMinimumSize(260, 220);

    m_back = button(st->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("戻る(&C)"), "back");

    auto* left = new QVBoxLayout;
    left->addWidget(sizeBox);
    left->addWidget(imageBox);
    left->addWidget(placeBox);
    left->addLayout(frameGrid);
    left->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(m_preview, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(sourceGrid);
    layout->addLayout(bottom);
}

void ImagePropertiesDialog::keyPressEvent(QKeyEvent* event)
{
    // No default action: Enter in a field must not close the dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ImagePropertiesDialog::RefreshMemoryInfo()
{
    const NodeRecord& node = m_session.doc().nodes[m_node];
    const NodeMemoryInfo info = ReadNodeMemoryInfo(node, m_width->value(), m_height->value());
    m_memorySize->setText(QStringLiteral("%1 × %2").arg(info.memoryWidth).arg(info.memoryHeight));
    m_memoryData->setText(bytesText(info.dataSize));
    m_ratioX->setText(QStringLiteral("%1 %").arg(info.ratioX));
    m_ratioY->setText(QStringLiteral("%1 %").arg(info.ratioY));
    m_actual->setEnabled(info.canActualSize);
    m_aspect->setEnabled(info.canAspect);
    m_resample->setEnabled(info.canResample);
}

void ImagePropertiesDialog::apply()
{
    m_session.commitChange();
    m_preview->setPicture(m_session.doc().nodes[m_node].picture);
}

void ImagePropertiesDialog::showSizes(QSize size)
{
    m_width->setValue(size.width());
    m_height->setValue(size.height());
}

void ImagePropertiesDialog::onWidthStep(int value)
{
    m_session.amend([&](Document& d) { return SetNodeDisplayWidth(d, m_node, value); });
    RefreshMemoryInfo();
    apply();
}

void ImagePropertiesDialog::onHeightStep(int value)
{
    m_session.amend([&](Document& d) { return SetNodeDisplayHeight(d, m_node, value); });
    RefreshMemoryInfo();
    apply();
}

void ImagePropertiesDialog::onActualSize()
{
    const QSize size = m_session.amend([&](Document& d) { return ApplyActualSize(d, m_node); });
    if (size.isEmpty())
        return;
    showSizes(size);
    RefreshMemoryInfo();
    apply();
}

void ImagePropertiesDialog::onSameAspect()
{
    const QSize size = m_session.amend([&](Document& d) { return ApplySameAspect(d, m_node, m_widthBasis->isChecked()); });
    if (size.isEmpty())
        return;
    showSizes(size);
    RefreshMemoryInfo();
    apply();
}

void ImagePropertiesDialog::onResample()
{
    Report noFolder;
    const QString folder = GetWorkFolder({}, &noFolder);
    if (folder.isEmpty())
        ShowMessage(noFolder);
    const QString backup = folder.isEmpty() ? QString() : folder + QStringLiteral("/temp.tmp");
    if (!backup.isEmpty())
        m_backupPath = backup;
    Report refused;
    const ResampleResult result =
        m_session.amend([&](Document& d) { return ResampleToDisplaySize(d, m_node, m_widthBasis->isChecked(), backup, &refused); });
    if (!result.resampled && !refused.isEmpty())
        ShowMessage(refused, this);
    if (result.backedUp)
        m_undoResample->setEnabled(true);
    if (!result.resampled)
        return;
    showSizes(result.size);
    RefreshMemoryInfo();
    apply();
}

void ImagePropertiesDialog::onUndoResample()
{
    if (m_backupPath.isEmpty())
        return;
    if (!m_session.amend([&](Document& d) { return UndoResample(d, m_node, m_backupPath); }))
        return;
    m_backupPath.clear();
    RefreshMemoryInfo();
    apply();
    m_undoResample->setEnabled(false);
}

void ImagePropertiesDialog::onMove(int dx, int dy)
{
    m_session.amend([&](Document& d) { return MoveNodeByPixel(d, m_node, dx, dy); });
    apply();
}

void ImagePropertiesDialog::onShowOrigin()
{
    const QString text = m_source->text();
    switch (ClassifyOrigin(text)) {
    case OriginKind::None:
        return;
    case OriginKind::Web:
        OpenUrl(QUrl(text, QUrl::TolerantMode));
        return;
    case OriginKind::File:
        break;
    }
    const int answer = ShowMessage(kMsgShowCreatedImages, this, {}, kStyleYesNoCancel);
    if (answer == kIdYes) {
        const WaitCursor wait;
        OpenUrl(QUrl::fromLocalFile(text));
    } else if (answer == kIdNo) {
        ShowFolderInExplorer(text, this);
    }
}

void ImagePropertiesDialog::onReload()
{
    const QString text = m_source->text();
    Reports reports;
    const bool reloaded = m_session.amend([&](Document& d) { return ReloadNodeFromOrigin(d, m_node, text, &reports); });
    ShowMessages(reports, this);
    if (!reloaded)
        return;
    // The source's record was renewed; stale figures would mislead.
    const NodeRecord& node = m_session.doc().nodes[m_node];
    m_sourceSize->setText(QStringLiteral("%1 × %2").arg(node.imageWidth).arg(node.imageHeight));
    m_sourceData->setText(bytesText(node.dataSize));
    RefreshMemoryInfo();
    apply();
}

} // namespace vq
