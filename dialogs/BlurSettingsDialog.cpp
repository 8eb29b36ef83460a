#include "dialogs/BlurSettingsDialog.h"

#include "edit/Blur.h"
#include "base/Settings.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vq {

namespace {

struct MethodText {
    const char* name;
    const char* description;
};

constexpr MethodText kMethods[3] = {
    {"単純ボカシ", "ブロックの最初の色をブロック内のすべてのピクセルにセットします。"},
    {"平均値ボカシ", "ブロック内の平均色をブロック内のすべてのピクセルにセットします。"},
    {"ランダムボカシ", "１ピクセル毎に指定した範囲のランダムな数値で、薄くしたり濃くしたりします。"},
};

} // namespace

BlurSettingsDialog::BlurSettingsDialog(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("ボカシ設定"));
    setObjectName(QStringLiteral("BlurSettingsDialog"));
    const BlurSettings stored = ReadBlurSettings(m_settings);

    m_block = new QSpinBox(this);
    m_block->setObjectName(QStringLiteral("blockSize"));
    m_block->setRange(2, 100);
    m_block->setValue(stored.blockSize);
    auto* blockRow = new QHBoxLayout;
    auto* blockLabel = new QLabel(QStringLiteral("1 ブロックサイズまたは数値の範囲："), this);
    blockLabel->setBuddy(m_block);
    blockRow->addWidget(blockLabel);
    blockRow->addWidget(m_block);
    blockRow->addWidget(new QLabel(QStringLiteral("(2 ～ 100)"), this));
    blockRow->addStretch();

    auto* methods = new QGridLayout;
    methods->addWidget(new QLabel(QStringLiteral("2 ボカシ方法："), this), 0, 0, 1, 2);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_methods[i] = new QRadioButton(QString::fromUtf8(kMethods[i].name), this);
        m_methods[i]->setObjectName(QStringLiteral("method%1").arg(i));
        group->addButton(m_methods[i], i);
        auto* description = new QLabel(QString::fromUtf8(kMethods[i].description), this);
        description->setWordWrap(true);
        methods->addWidget(m_methods[i], i + 1, 0, Qt::AlignTop);
        methods->addWidget(description, i + 1, 1);
    }
    methods->setColumnMinimumWidth(1, 430);
    m_methods[stored.type]->setChecked(true);

    m_save = new QPushButton(QStringLiteral("保存(&S)"), this);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("中止(&C)"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_save, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(blockRow);
    layout->addLayout(methods);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QRadioButton* BlurSettingsDialog::methodButton(int type) const
{
    return (type >= 0 && type < 3) ? m_methods[type] : nullptr;
}

void BlurSettingsDialog::accept()
{
    m_block->interpretText();
    BlurSettings chosen;
    chosen.blockSize = m_block->value();
    chosen.type = m_methods[1]->isChecked() ? 1 : (m_methods[2]->isChecked() ? 2 : 0);
    WriteBlurSettings(m_settings, chosen);
    m_settings.sync();
    QDialog::accept();
}

} // namespace vq
