#include "dialogs/AboutDialog.h"

#include "dialogs/BalloonTip.h"
#include "base/MessageIds.h"
#include "base/Messages.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace vq {

namespace {

// Newest first.
constexpr int kHistoryIds[] = {kMsgHistory102, kMsgHistory101, kMsgHistory100};
constexpr int kIconSize = 64;
constexpr int kHistoryLines = 5;
constexpr int kHistoryColumns = 60;

// The same drawing the desktop shows for the program.
QPixmap programIcon(qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/velquin/velquin.svg"));
    const int side = qRound(kIconSize * devicePixelRatio);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace

QString VersionHistoryText()
{
    QString text;
    for (int id : kHistoryIds) {
        QString line = messageText(id).value_or(QString());
        // Some entries carry their own line break; each gets exactly one.
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("バージョン情報"));
    setObjectName(QStringLiteral("AboutDialog"));

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("icon"));
    m_icon->setPixmap(programIcon(devicePixelRatioF()));
    m_icon->setFixedSize(kIconSize, kIconSize);

    auto* name = new QLabel(QString::fromLatin1(kAppName), this);
    name->setObjectName(QStringLiteral("name"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto* description = new QLabel(QStringLiteral("複数のイメージを1枚の絵に合成するソフトウェア"), this);
    description->setObjectName(QStringLiteral("description"));

    auto* historyLabel = new QLabel(QStringLiteral("バージョン情報"), this);
    m_history = new QPlainTextEdit(this);
    m_history->setObjectName(QStringLiteral("history"));
    m_history->setReadOnly(true);
    m_history->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_history->setPlainText(VersionHistoryText());
    const QFontMetrics metrics(m_history->font());
    m_history->setFixedSize(metrics.averageCharWidth() * kHistoryColumns,
                            metrics.lineSpacing() * kHistoryLines + 2 * m_history->frameWidth()
                                + 2 * static_cast<int>(m_history->document()->documentMargin()));
    historyLabel->setBuddy(m_history);

    m_confirm = new QPushButton(QStringLiteral("確認(&Y)"), this);
    m_confirm->setObjectName(QStringLiteral("confirm"));
    m_confirm->setDefault(true);
    SetBalloonTip(m_confirm, QStringLiteral("バージョン情報ウィンドウを閉じて戻ります"));

    auto* title = new QVBoxLayout;
    title->addWidget(name);
    title->addWidget(description);
    title->addStretch();
    auto* head = new QHBoxLayout;
    head->addWidget(m_icon, 0, Qt::AlignTop);
    head->addSpacing(12);
    head->addLayout(title);
    head->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_confirm);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addSpacing(10);
    layout->addWidget(historyLabel);
    layout->addWidget(m_history);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    m_confirm->setFocus();
}

} // namespace vq
