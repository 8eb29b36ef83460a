#include "dialogs/RotateDialog.h"

#include "base/Report.h"
#include "edit/Rotate.h"
#include "view/Prompts.h"
#include "base/WaitCursor.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vq {

namespace {

constexpr int kDegreesPerTurnTenths = 3600;

} // namespace

RotateDialog::RotateDialog(EditSession& session, int nodeIndex, QWidget* parent)
    : QDialog(parent), m_session(session), m_node(nodeIndex)
{
    setWindowTitle(QStringLiteral("任意角度の回転"));
    setObjectName(QStringLiteral("RotateDialog"));

    auto* label = new QLabel(QStringLiteral("角度："), this);
    m_angle = new QLineEdit(this);
    m_angle->setObjectName(QStringLiteral("angle"));
    m_angle->setMaxLength(16);
    // Room for "359.9" and a little more, as the original box had.
    m_angle->setFixedWidth(m_angle->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    label->setBuddy(m_angle);
    auto* range = new QLabel(QStringLiteral("(0.1 ～ 359.9)"), this);

    m_left = new QPushButton(QStringLiteral("&Left"), this);
    m_left->setObjectName(QStringLiteral("left"));
    m_right = new QPushButton(QStringLiteral("&Right"), this);
    m_right->setObjectName(QStringLiteral("right"));
    // Without an OK button, Enter in the angle box must neither close the
    // dialog nor turn the picture unasked.
    for (QPushButton* button : {m_left, m_right})
        button->setAutoDefault(false);

    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(label);
    angleRow->addWidget(m_angle);
    angleRow->addWidget(range);
    angleRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_left);
    buttons->addWidget(m_right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(angleRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_left, &QPushButton::clicked, this, [this] { rotate(false); });
    connect(m_right, &QPushButton::clicked, this, [this] { rotate(true); });
}

void RotateDialog::rotate(bool towardsRight)
{
    const int tenths = ParseRotationAngle(m_angle->text());
    const int turn = towardsRight ? kDegreesPerTurnTenths - tenths : tenths;
    Report failure;
    {
        const WaitCursor wait;
        RotateNodeStep(m_session, m_node, turn / 10.0, &failure);
    }
    if (!failure.isEmpty())
        ShowMessage(failure, this);
}

} // namespace vq
