#include "dialogs/JpegQualityDialog.h"

#include "base/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>

namespace vq {

namespace {

constexpr int kMinQuality = 10;
constexpr int kMaxQuality = 100;
constexpr int kQualityStep = 10;

} // namespace

JpegQualityDialog::JpegQualityDialog(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("画質設定"));
    setObjectName(QStringLiteral("JpegQualityDialog"));

    const int stored = m_settings.value(keys::Quality);
    m_quality = stored;

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("quality"));
    m_slider->setRange(kMinQuality, kMaxQuality);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(kQualityStep);
    m_slider->setTickInterval(kQualityStep);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setMinimumWidth(300);
    m_slider->setValue(stored);

    auto* caption = new QLabel(QStringLiteral("画質："), this);
    // A stored value the slider cannot reach is still shown as it was stored,
    // so that the user sees what accepting would change.
    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("value"));
    m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    showValue(stored);

    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(caption);
    valueRow->addWidget(m_value);
    valueRow->addStretch();

    auto* scale = new QGridLayout;
    scale->addWidget(new QLabel(QStringLiteral("10"), this), 0, 0, Qt::AlignLeft);
    scale->addWidget(new QLabel(QStringLiteral("低画質　←・→　高画質"), this), 0, 1, Qt::AlignHCenter);
    scale->addWidget(new QLabel(QStringLiteral("100"), this), 0, 2, Qt::AlignRight);
    scale->setColumnStretch(1, 1);

    auto* quick = new QHBoxLayout;
    quick->setSpacing(2);
    for (int v = kMinQuality; v <= kMaxQuality; v += kQualityStep) {
        auto* button = new QPushButton(QString::number(v), this);
        button->setObjectName(QStringLiteral("value%1").arg(v));
        // Enter must accept the dialog, not press the quick choice with focus.
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        connect(button, &QPushButton::clicked, this, [this, v] {
            m_slider->setValue(v);
            showValue(v);
        });
        quick->addWidget(button);
        m_valueButtons << button;
    }

    m_ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("決定(&S)"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("中止(&C)"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &JpegQualityDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &JpegQualityDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(valueRow);
    layout->addWidget(m_slider);
    layout->addLayout(scale);
    layout->addLayout(quick);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Every movement of the slider, by mouse, wheel or key, even one that
    // leaves the value where it was, shows the slider's position.
    connect(m_slider, &QSlider::actionTriggered, this, [this] { showValue(m_slider->sliderPosition()); });
    connect(m_slider, &QSlider::valueChanged, this, &JpegQualityDialog::showValue);
    m_ok->setFocus();
}

QPushButton* JpegQualityDialog::valueButton(int value) const
{
    const int index = value / kQualityStep - 1;
    if (value % kQualityStep != 0 || index < 0 || index >= m_valueButtons.size())
        return nullptr;
    return m_valueButtons.at(index);
}

void JpegQualityDialog::showValue(int value)
{
    m_value->setText(QString::number(value));
}

void JpegQualityDialog::accept()
{
    m_quality = m_slider->value();
    m_settings.setValue(keys::Quality, m_quality);
    QDialog::accept();
}

} // namespace vq
