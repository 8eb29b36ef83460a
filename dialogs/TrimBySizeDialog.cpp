#include "dialogs/TrimBySizeDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vq {

namespace {

constexpr int kMaxCut = 10;

QSpinBox* makeCutBox(QWidget* parent, const char* name)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, kMaxCut);
    box->setValue(0);
    box->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    return box;
}

// A box with its arrow, the arrow on the side that faces the picture.
QWidget* withArrow(QWidget* parent, QSpinBox* box, const QString& arrow, bool arrowFirst)
{
    auto* holder = new QWidget(parent);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    auto* mark = new QLabel(arrow, holder);
    if (arrowFirst)
        row->addWidget(mark);
    row->addWidget(box);
    if (!arrowFirst)
        row->addWidget(mark);
    return holder;
}

} // namespace

TrimBySizeDialog::TrimBySizeDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("切り詰め処理"));
    setObjectName(QStringLiteral("TrimBySizeDialog"));

    auto* text = new QLabel(
        QStringLiteral("指定されたサイズでイメージを切り詰めます。\nサイズを指定して「実行」をクリックしてください。"), this);

    m_left = makeCutBox(this, "left");
    m_top = makeCutBox(this, "top");
    m_right = makeCutBox(this, "right");
    m_bottom = makeCutBox(this, "bottom");

    // The four boxes sit around the picture they cut, each at its edge.
    auto* grid = new QGridLayout;
    grid->addWidget(withArrow(this, m_top, QStringLiteral("↓"), false), 0, 1, Qt::AlignCenter);
    grid->addWidget(withArrow(this, m_left, QStringLiteral("→"), false), 1, 0, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("(0 ～ 10)"), this), 1, 1, Qt::AlignCenter);
    grid->addWidget(withArrow(this, m_right, QStringLiteral("←"), true), 1, 2, Qt::AlignCenter);
    grid->addWidget(withArrow(this, m_bottom, QStringLiteral("↑"), false), 2, 1, Qt::AlignCenter);

    m_execute = new QPushButton(QStringLiteral("実行(&G)"), this);
    m_execute->setObjectName(QStringLiteral("execute"));
    m_execute->setDefault(true);
    connect(m_execute, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_execute);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TrimBySizeDialog::accept()
{
    // A value typed but not yet committed by the box still counts.
    for (QSpinBox* box : {m_left, m_top, m_right, m_bottom})
        box->interpretText();
    m_sizes = {m_left->value(), m_top->value(), m_right->value(), m_bottom->value()};
    QDialog::accept();
}

} // namespace vq
