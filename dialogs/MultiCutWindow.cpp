#include "dialogs/MultiCutWindow.h"

#include "dialogs/TileCountSpin.h"
#include "edit/EditSession.h"
#include "edit/MultiCut.h"
#include "base/Settings.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vq {

namespace {

constexpr const char* kTypeNames[5] = {"JPEG", "GIF", "BMP", "PNG", "TIFF"};

QString spacingText(float spacing)
{
    return QString::asprintf("%.3f", static_cast<double>(spacing));
}

} // namespace

MultiCutWindow::MultiCutWindow(EditSession& session, SysSettings& sys, Settings& settings, QWidget* parent)
    : QDialog(parent), m_session(session), m_sys(sys), m_settings(settings)
{
    setWindowTitle(QStringLiteral("マルチカット設定"));
    setObjectName(QStringLiteral("MultiCutWindow"));
    setModal(false);

    m_countX = new TileCountSpin(this);
    m_countX->setObjectName(QStringLiteral("countAcross"));
    m_countY = new TileCountSpin(this);
    m_countY->setObjectName(QStringLiteral("countDown"));
    m_countX->setProposal([this](int n) { UpdateMultiCutSettings(m_session, m_sys, MultiCutChange{n, -1, -1, -1}); },
                          [this] { return m_sys.multiCntX; });
    m_countY->setProposal([this](int n) { UpdateMultiCutSettings(m_session, m_sys, MultiCutChange{-1, n, -1, -1}); },
                          [this] { return m_sys.multiCntY; });

    const auto spacingBox = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name));
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000.0000")));
        return box;
    };
    m_spacingX = spacingBox("spacingAcross");
    m_spacingY = spacingBox("spacingDown");
    const auto applyButton = [this](const char* name) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
        button->setToolTip(QStringLiteral("適用"));
        button->setAutoRaise(false);
        return button;
    };
    m_applyX = applyButton("applyAcross");
    m_applyY = applyButton("applyDown");
    connect(m_applyX, &QToolButton::clicked, this, [this] { applySpacing(true); });
    connect(m_applyY, &QToolButton::clicked, this, [this] { applySpacing(false); });
    // Enter in a spacing box applies it, as its button does, and keeps the window open.
    connect(m_spacingX, &QLineEdit::returnPressed, this, [this] { applySpacing(true); });
    connect(m_spacingY, &QLineEdit::returnPressed, this, [this] { applySpacing(false); });

    auto* grid = new QGridLayout;
    const auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
    grid->addWidget(label("1 水平個数："), 0, 0);
    grid->addWidget(m_countX, 0, 1);
    grid->addWidget(label("(1 ～ 100個)"), 0, 3);
    grid->addWidget(label("2 垂直個数："), 1, 0);
    grid->addWidget(m_countY, 1, 1);
    grid->addWidget(label("(1 ～ 100個)"), 1, 3);
    grid->addWidget(label("3 水平間隔："), 2, 0);
    grid->addWidget(m_spacingX, 2, 1);
    grid->addWidget(m_applyX, 2, 2);
    grid->addWidget(label("(0.00 ～ 50.00ピクセル)"), 2, 3);
    grid->addWidget(label("4 垂直間隔："), 3, 0);
    grid->addWidget(m_spacingY, 3, 1);
    grid->addWidget(m_applyY, 3, 2);
    grid->addWidget(label("(0.00 ～ 50.00ピクセル)"), 3, 3);

    auto* types = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        m_types[i] = new QRadioButton(QLatin1String(kTypeNames[i]), this);
        m_types[i]->setObjectName(QStringLiteral("type%1").arg(i));
        group->addButton(m_types[i], i);
        types->addWidget(m_types[i]);
    }
    types->addStretch();
    connect(group, &QButtonGroup::idClicked, this, [this](int type) { m_sys.multiExt = type; });

    m_close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(label("5 ファイル保存時の種別："));
    layout->addLayout(types);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    refresh();
}

MultiCutWindow::~MultiCutWindow()
{
    if (!m_placed)
        return;
    const QPoint at = pos();
    m_settings.setValue(keys::MultuCutLastPX, at.x());
    m_settings.setValue(keys::MultuCutLastPY, at.y());
}

QRadioButton* MultiCutWindow::fileTypeButton(int type) const
{
    return (type >= 0 && type < 5) ? m_types[type] : nullptr;
}

void MultiCutWindow::refresh()
{
    const QSignalBlocker bx(m_countX);
    const QSignalBlocker by(m_countY);
    m_countX->setValue(m_sys.multiCntX);
    m_countY->setValue(m_sys.multiCntY);
    m_spacingX->setText(spacingText(m_sys.multiMarginX));
    m_spacingY->setText(spacingText(m_sys.multiMarginY));
    if (QRadioButton* button = fileTypeButton(m_sys.multiExt))
        button->setChecked(true);
    else
        m_types[0]->setChecked(true);
}

void MultiCutWindow::showSettings()
{
    refresh();
    if (isVisible())
        return;
    if (!m_placed)
        place();
    show();
    // The canvas keeps the keyboard: the window is there to be glanced at.
    if (QWidget* owner = parentWidget())
        owner->activateWindow();
}

void MultiCutWindow::reject()
{
    // Esc inside the window hides it like its close button; it is never destroyed.
    hide();
}

void MultiCutWindow::applySpacing(bool across)
{
    QLineEdit* box = across ? m_spacingX : m_spacingY;
    bool ok = false;
    const float typed = box->text().trimmed().toFloat(&ok);
    if (ok && typed >= 0.0f) {
        MultiCutChange change;
        (across ? change.gx : change.gy) = std::min(typed, kMaxTileSpacing);
        UpdateMultiCutSettings(m_session, m_sys, change);
    }
    // The box shows what is kept: a spacing that did not fit has been replaced.
    box->setText(spacingText(across ? m_sys.multiMarginX : m_sys.multiMarginY));
}

QPoint MultiCutWindow::PlaceOnDesktop(QPoint remembered, QSize window, const QRect& desktop, const QRect& parent)
{
    if (remembered.isNull())
        return {parent.left() + (parent.width() - window.width()) / 2,
                parent.top() + (parent.height() - window.height()) / 2};
    const int rightLimit = desktop.right() + 1 - window.width();
    const int bottomLimit = desktop.bottom() + 1 - window.height();
    return {std::max(desktop.left(), std::min(remembered.x(), rightLimit)),
            std::max(desktop.top(), std::min(remembered.y(), bottomLimit))};
}

void MultiCutWindow::place()
{
    adjustSize();
    const QPoint remembered(m_settings.value(keys::MultuCutLastPX), m_settings.value(keys::MultuCutLastPY));
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect ownerRect = owner ? owner->frameGeometry() : desktop;
    move(PlaceOnDesktop(remembered, frameGeometry().size(), desktop, ownerRect));
    m_placed = true;
}

} // namespace vq
