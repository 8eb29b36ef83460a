#include "dialogs/CanvasPropertiesDialog.h"

#include "dialogs/ColorPickerButton.h"
#include "dialogs/FrameStyleCombo.h"
#include "dialogs/NumberSpin.h"
#include "dialogs/PicturePreview.h"
#include "edit/NodeProperties.h"
#include "view/Prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace vq {

namespace {

const char* const kSetTitle = "背景とするイメージを指定";
const char* const kSetFilter =
    "イメージファイル(jpeg, gif, bmp, png, tiff) (*.jpg *.jpeg *.gif *.bmp *.png *.tif *.tiff);;"
    "JPEGファイル(*.jpeg) (*.jpg *.jpeg);;GIFファイル(*.gif) (*.gif);;ビットマップファイル(*.bmp) (*.bmp);;"
    "PNGファイル(*.png) (*.png);;TIFFファイル(*.tiff) (*.tif *.tiff)";

} // namespace

CanvasPropertiesDialog::CanvasPropertiesDialog(const CanvasProperties& initial, QWidget* parent) : QDialog(parent), m_props(initial)
{
    setWindowTitle(QStringLiteral("ビューのプロパティ"));
    setObjectName(QStringLiteral("CanvasPropertiesDialog"));
    buildControls();

    m_width->setRange(kMinCanvasSide, kMaxCanvasWidth);
    m_width->setValue(m_props.width);
    m_height->setRange(kMinCanvasSide, kMaxCanvasHeight);
    m_height->setValue(m_props.height);
    // Both size fields as wide as the wider of them, so they line up.
    const int fieldWidth = std::max(m_width->sizeHint().width(), m_height->sizeHint().width());
    m_width->setMinimumWidth(fieldWidth);
    m_height->setMinimumWidth(fieldWidth);
    m_frameWidth->setRange(kMinFrameWidth, kMaxFrameWidth);
    m_frameWidth->setValue(m_props.frameWidth);
    m_backColor->setColor(m_props.backColor);
    m_frameColor->setAutomatic(QStringLiteral("枠線なし"), kNoColor);
    m_frameColor->setColor(m_props.frameColor);
    m_frameStyle->setCurrentIndex(std::clamp(m_props.frameStyle, 0, m_frameStyle->count() - 1));
    showBackground();

    connect(m_backColor, &ColorPickerButton::colorChosen, this, [this](ColorRef colour) {
        if (colour == m_props.backColor)
            return;
        m_props.backColor = colour;
        m_preview->setFillColor(colour);
    });
    connect(m_frameColor, &ColorPickerButton::colorChosen, this, [this](ColorRef colour) {
        if (colour != m_props.frameColor)
            m_props.frameColor = colour;
    });
    connect(m_set, &QPushButton::clicked, this, &CanvasPropertiesDialog::onSet);
    connect(m_clear, &QPushButton::clicked, this, &CanvasPropertiesDialog::onClear);
    connect(m_fitWidth, &QPushButton::clicked, this, &CanvasPropertiesDialog::onFitWidth);
    connect(m_fitHeight, &QPushButton::clicked, this, &CanvasPropertiesDialog::onFitHeight);
    connect(m_ok, &QPushButton::clicked, this, &CanvasPropertiesDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CanvasPropertiesDialog::reject);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void CanvasPropertiesDialog::buildControls()
{
    QStyle* st = style();
    const auto button = [this](const QIcon& icon, const QString& text, const QString& tip, const char* name) {
        auto* b = new QPushButton(icon, text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    m_ok = button(st->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("保存終了(&S)"),
                  QStringLiteral("現在の設定を保存して終了します"), "ok");
    m_ok->setDefault(true);
    m_cancel = button(st->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("中止(&C)"),
                      QStringLiteral("保存しないで終了します"), "cancel");

    m_width = new NumberSpin(this);
    m_width->setObjectName(QStringLiteral("width"));
    m_width->setThousandsSeparators(true);
    m_height = new NumberSpin(this);
    m_height->setObjectName(QStringLiteral("height"));
    m_height->setThousandsSeparators(true);
    m_frameWidth = new NumberSpin(this);
    m_frameWidth->setObjectName(QStringLiteral("frameWidth"));
    m_backColor = new ColorPickerButton(this);
    m_backColor->setObjectName(QStringLiteral("backColor"));
    m_frameColor = new ColorPickerButton(this);
    m_frameColor->setObjectName(QStringLiteral("frameColor"));
    m_frameStyle = new FrameStyleCombo(this);
    m_frameStyle->setObjectName(QStringLiteral("frameStyle"));

    m_set = button(st->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("セット(&I)"),
                   QStringLiteral("保存されているイメージファイルからイメージを読み込んで背景としてセットします"), "set");
    m_clear = button(st->standardIcon(QStyle::SP_DialogResetButton), QStringLiteral("クリア(&K)"),
                     QStringLiteral("セットされているイメージをクリアします"), "clear");
    m_fitWidth = button(st->standardIcon(QStyle::SP_ArrowRight), QStringLiteral("幅合せ(&W)"),
                        QStringLiteral("イメージの縦横比に合せてビューの幅を調整します"), "fitWidth");
    m_fitHeight = button(st->standardIcon(QStyle::SP_ArrowDown), QStringLiteral("高さ合せ(&W)"),
                         QStringLiteral("イメージの縦横比に合せてビューの高さを調整します"), "fitHeight");
    m_preview = new PicturePreview(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setEmptyText(QStringLiteral("背景イメージなし"));
    m_preview->setFixedSize(320, 240);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& caption, QWidget* field, const QString& note = {}) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        auto* line = new QHBoxLayout;
        line->addWidget(field);
        if (!note.isEmpty())
            line->addWidget(new QLabel(note, this));
        line->addStretch();
        grid->addLayout(line, row, 1);
        ++row;
    };
    addRow(QStringLiteral("1 ビューの幅："), m_width, CanvasRangeLabel(kMaxCanvasWidth));
    addRow(QStringLiteral("2 ビューの高さ："), m_height, CanvasRangeLabel(kMaxCanvasHeight));
    addRow(QStringLiteral("3 背景色："), m_backColor);
    addRow(QStringLiteral("4 枠線色："), m_frameColor);
    addRow(QStringLiteral("5 枠線の太さ："), m_frameWidth, QStringLiteral("(1 ～ 20)"));
    addRow(QStringLiteral("6 枠線のスタイル："), m_frameStyle);

    auto* pictureButtons = new QGridLayout;
    pictureButtons->addWidget(m_set, 0, 0);
    pictureButtons->addWidget(m_clear, 0, 1);
    pictureButtons->addWidget(m_fitWidth, 1, 0);
    pictureButtons->addWidget(m_fitHeight, 1, 1);

    auto* pictureColumn = new QVBoxLayout;
    pictureColumn->addWidget(new QLabel(QStringLiteral("7 背景イメージ："), this));
    pictureColumn->addWidget(m_preview);
    pictureColumn->addLayout(pictureButtons);

    auto* fields = new QVBoxLayout;
    fields->addLayout(grid);
    fields->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(fields);
    body->addSpacing(12);
    body->addLayout(pictureColumn);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
}

void CanvasPropertiesDialog::showBackground()
{
    m_preview->setFillColor(m_props.backColor);
    m_preview->setPicture(m_props.newPicture ? m_props.newPicture : m_props.keptPicture);
    const bool any = m_props.newPicture || m_props.keptPicture;
    m_clear->setEnabled(any);
    m_fitWidth->setEnabled(any);
    m_fitHeight->setEnabled(any);
}

void CanvasPropertiesDialog::onSet()
{
    FileRequest request;
    request.title = QString::fromUtf8(kSetTitle);
    request.filter = QString::fromUtf8(kSetFilter);
    request.owner = this;
    const QStringList chosen = prompter().openFiles(request, false);
    if (chosen.isEmpty())
        return;
    // A file that does not load leaves the choice as it was.
    Report refused;
    PicturePtr loaded = LoadBackgroundPicture(chosen.first(), &refused);
    if (!loaded)
        ShowMessage(refused, this);
    if (loaded) {
        m_props.newPicture = std::move(loaded);
        showBackground();
    }
}

void CanvasPropertiesDialog::onClear()
{
    m_props.keptPicture.reset();
    m_props.newPicture.reset();
    showBackground();
}

void CanvasPropertiesDialog::onFitWidth()
{
    if (const std::optional<float> aspect = BackgroundAspect(m_props))
        m_width->setValue(FitWidthToBackground(m_height->value(), *aspect));
}

void CanvasPropertiesDialog::onFitHeight()
{
    if (const std::optional<float> aspect = BackgroundAspect(m_props))
        m_height->setValue(FitHeightToBackground(m_width->value(), *aspect));
}

void CanvasPropertiesDialog::accept()
{
    m_props.width = ClampCanvasWidth(m_width->value());
    m_props.height = ClampCanvasHeight(m_height->value());
    m_props.frameWidth = std::clamp(m_frameWidth->value(), kMinFrameWidth, kMaxFrameWidth);
    m_props.frameStyle = m_frameStyle->currentIndex();
    QDialog::accept();
}

void CanvasPropertiesDialog::reject()
{
    m_props.newPicture.reset();
    QDialog::reject();
}

} // namespace vq
