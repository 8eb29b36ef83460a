#include "dialogs/PreferencesDialog.h"

#include "dialogs/BalloonTip.h"
#include "imaging/PreviewStore.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace vq {

namespace {

constexpr int kMinCount = 1;
constexpr int kMaxCount = 10;
constexpr int kCountWhenOff = 3;
// The field takes any count the user types; only the arrows keep to 1..10,
// and the count is brought into range when the field is left.
constexpr int kTypableMax = 999;

class CountSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    void stepBy(int steps) override { setValue(std::clamp(value() + steps, kMinCount, kMaxCount)); }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled enabled = StepNone;
        if (value() > kMinCount)
            enabled |= StepDownEnabled;
        if (value() < kMaxCount)
            enabled |= StepUpEnabled;
        return enabled;
    }
};

// Room to the left of the controls that belong to the animation check box.
constexpr int kIndent = 28;

} // namespace

int AnimeCountShown(int playAnime)
{
    return playAnime > 0 ? std::clamp(playAnime, kMinCount, kMaxCount) : kCountWhenOff;
}

int ClampAnimeCount(int typed)
{
    return std::clamp(typed, kMinCount, kMaxCount);
}

QString PreviewUseText(std::int64_t bytes)
{
    // A few entries still show as something, not as nothing.
    const double megabytes = bytes > 0 ? std::max(0.1, double(bytes) / (1024.0 * 1024.0)) : 0.0;
    const int decimals = megabytes > 0 && megabytes < 10 ? 1 : 0;
    return QStringLiteral("使用中: %1 MB").arg(megabytes, 0, 'f', decimals);
}

PreferencesDialog::PreferencesDialog(const SystemPreferences& initial, PreviewStore* previews, QWidget* parent)
    : QDialog(parent), m_values(initial), m_previews(previews)
{
    setWindowTitle(QStringLiteral("システムの環境設定"));
    setObjectName(QStringLiteral("PreferencesDialog"));

    m_firstOpen = new QCheckBox(QStringLiteral("1 起動時に前回のファイルを開く(&L)"), this);
    m_firstOpen->setObjectName(QStringLiteral("firstOpen"));
    m_anime = new QCheckBox(QStringLiteral("2 イメージ上にマウスカーソルが乗ったとき、アニメを表示する(&A)"), this);
    m_anime->setObjectName(QStringLiteral("anime"));
    auto* animeKey = new QLabel(QStringLiteral("[切替え:F10]"), this);

    auto* countLabel = new QLabel(QStringLiteral("表示するアニメの個数："), this);
    m_count = new CountSpinBox(this);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setRange(0, kTypableMax);
    m_count->setAlignment(Qt::AlignRight);
    countLabel->setBuddy(m_count);
    auto* countRange = new QLabel(QStringLiteral("(1 - 10個)"), this);

    auto* speedLabel = new QLabel(QStringLiteral("アニメ表示速度："), this);
    auto* speedGroup = new QButtonGroup(this);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel(QStringLiteral("速い"), this));
    for (int i = 0; i < kSpeedCount; ++i) {
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QStringLiteral("speed%1").arg(i));
        speedGroup->addButton(radio, i);
        speedRow->addWidget(radio);
        m_speed.at(static_cast<std::size_t>(i)) = radio;
    }
    speedRow->addWidget(new QLabel(QStringLiteral("遅い"), this));
    speedRow->addStretch();

    m_backup = new QCheckBox(QStringLiteral("3 上書き保存時、バックアップファイルを作成する(&B)"), this);
    m_backup->setObjectName(QStringLiteral("backup"));
    m_guide = new QCheckBox(QStringLiteral("4 ステータスバーに操作ガイドを表示する(&G)"), this);
    m_guide->setObjectName(QStringLiteral("guide"));
    auto* guideKey = new QLabel(QStringLiteral("[切替え:F2]"), this);

    m_save = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("保存して終了(&S)"), this);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setDefault(true);
    m_close = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("閉じる(&C)"), this);
    m_close->setObjectName(QStringLiteral("close"));

    SetBalloonTip(m_firstOpen, QStringLiteral("チェックがあるときは\n最後に編集していたドキュメントを\n"
                                              "このソフトの起動時にセットして表示します"));
    SetBalloonTip(m_anime, QStringLiteral("チェックがあるときは\nオブジェクト上であることを明示します\n"
                                          "※ すでに選択されているときは、表示されません"));
    SetBalloonTip(m_backup, QStringLiteral("チェックがあるときは\nドキュメントを上書き保存時、同じ場所に\n"
                                           "ファイル名に(back)を付けて直前のドキュメントを保存します"));
    SetBalloonTip(m_guide, QStringLiteral("チェックがあるときは\n最下段にあるステータスバーの左側に操作ガイドを表示します"));

    auto* animeRow = new QHBoxLayout;
    animeRow->addWidget(m_anime);
    animeRow->addSpacing(8);
    animeRow->addWidget(animeKey);
    animeRow->addStretch();

    auto* animeDetails = new QGridLayout;
    animeDetails->setContentsMargins(kIndent, 0, 0, 0);
    animeDetails->addWidget(countLabel, 0, 0);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(m_count);
    countRow->addWidget(countRange);
    countRow->addStretch();
    animeDetails->addLayout(countRow, 0, 1);
    animeDetails->addWidget(speedLabel, 1, 0);
    animeDetails->addLayout(speedRow, 1, 1);

    auto* guideRow = new QHBoxLayout;
    guideRow->addWidget(m_guide);
    guideRow->addSpacing(8);
    guideRow->addWidget(guideKey);
    guideRow->addStretch();

    QHBoxLayout* previewRow = nullptr;
    if (m_previews) {
        m_clearPreviews = new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon),
                                          QStringLiteral("プレビューのキャッシュを削除(&P)"), this);
        m_clearPreviews->setObjectName(QStringLiteral("clearPreviews"));
        SetBalloonTip(m_clearPreviews, QStringLiteral("開いたイメージの縮小画像を、次に開いたとき\nすぐに表示できるように保存しています\n"
                                                      "押すとすぐに削除します（必要になればまた作られます）"));
        m_previewUse = new QLabel(this);
        m_previewUse->setObjectName(QStringLiteral("previewUse"));
        previewRow = new QHBoxLayout;
        previewRow->addWidget(m_clearPreviews);
        previewRow->addSpacing(8);
        previewRow->addWidget(m_previewUse);
        previewRow->addStretch();
        showPreviewUse();
        connect(m_clearPreviews, &QPushButton::clicked, this, [this] {
            m_previews->clear();
            showPreviewUse();
        });
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    // Check boxes as wide as their texts: a click beside a text changes nothing.
    layout->addWidget(m_firstOpen, 0, Qt::AlignLeft);
    layout->addSpacing(6);
    layout->addLayout(animeRow);
    layout->addLayout(animeDetails);
    layout->addSpacing(6);
    layout->addWidget(m_backup, 0, Qt::AlignLeft);
    layout->addSpacing(6);
    layout->addLayout(guideRow);
    if (previewRow) {
        layout->addSpacing(12);
        layout->addLayout(previewRow);
    }
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_firstOpen->setChecked(initial.firstOpen);
    m_anime->setChecked(initial.playAnime > 0);
    m_count->setValue(AnimeCountShown(initial.playAnime));
    const int speed = initial.speedAnime >= 0 && initial.speedAnime < kSpeedCount ? initial.speedAnime : 0;
    m_speed.at(static_cast<std::size_t>(speed))->setChecked(true);
    m_backup->setChecked(initial.makeBackup);
    m_guide->setChecked(initial.dspGuide);

    // A count out of range is put right in the field as soon as it is left.
    connect(m_count, &QSpinBox::editingFinished, this, [this] { m_count->setValue(ClampAnimeCount(m_count->value())); });
    connect(m_save, &QPushButton::clicked, this, &PreferencesDialog::collectAndAccept);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void PreferencesDialog::showPreviewUse()
{
    const std::int64_t used = m_previews->usedBytes();
    m_previewUse->setText(PreviewUseText(used));
    m_clearPreviews->setEnabled(used > 0);
}

void PreferencesDialog::collectAndAccept()
{
    SystemPreferences v;
    v.firstOpen = m_firstOpen->isChecked();
    // The field may still hold what was typed when the button is pressed
    // with a key.
    m_count->interpretText();
    v.playAnime = m_anime->isChecked() ? ClampAnimeCount(m_count->value()) : 0;
    v.speedAnime = 0;
    for (int i = 0; i < kSpeedCount; ++i)
        if (m_speed.at(static_cast<std::size_t>(i))->isChecked()) {
            v.speedAnime = i;
            break;
        }
    v.makeBackup = m_backup->isChecked();
    v.dspGuide = m_guide->isChecked();
    m_values = v;
    accept();
}

} // namespace vq
