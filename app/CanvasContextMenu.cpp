#include "app/CanvasContextMenu.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/CommandTable.h"
#include "edit/EditSession.h"
#include "resources/CommandIds.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

#include <memory>
#include <span>
#include <vector>

namespace vq {

namespace {

using M = MenuItem;

constexpr MenuItem kViewPopup[] = {
    {M::Command, cmd::AddImage}, {M::Command, cmd::Paste},          {M::Separator}, {M::Command, cmd::SelectAll},
    {M::Command, cmd::ConsoleTopLeft}, {M::Separator}, {M::Command, cmd::ViewProperties},
};

constexpr MenuItem kImagePopup[] = {
    {M::Command, cmd::ToTopLeft},
    {M::Popup, 0, "位置(&Z)"},
    {M::Command, cmd::BringToFront},
    {M::Command, cmd::SwapPositions},
    {M::Command, cmd::SendToBack},
    {M::End},
    {M::Command, cmd::RandomPositions},
    {M::Separator},
    {M::Command, cmd::ChangeImage},
    {M::Command, cmd::SaveImageToFile},
    {M::Separator},
    {M::Command, cmd::ImageProperties},
};

// The range modes' menus start with the mode's own commands; the range and
// its frame follow in all three alike.
constexpr MenuItem kTrimHead[] = {
    {M::Command, cmd::TrimExecute},
    {M::Command, cmd::TrimCancel},
    {M::Separator},
};

constexpr MenuItem kBokashiHead[] = {
    {M::Command, cmd::BlurExecute},
    {M::Command, cmd::BlurCancel},
    {M::Command, cmd::BlurSettings},
    {M::Separator},
};

constexpr MenuItem kMultiCutHead[] = {
    {M::Command, cmd::MultiExecute},
    {M::Command, cmd::MultiCancel},
    {M::Command, cmd::MultiSettings},
    {M::Separator},
};

constexpr MenuItem kRangeItems[] = {
    {M::Command, cmd::RangeWiden},
    {M::Command, cmd::RangeNarrow},
    {M::Command, cmd::RangeLargest},
    {M::Separator},
    {M::Command, cmd::RangeLineColor},
    {M::Popup, 0, "線の太さ(&F)"},
    {M::Command, cmd::RangeLineWidth1},
    {M::Command, cmd::RangeLineWidth2},
    {M::Command, cmd::RangeLineWidth3},
    {M::Command, cmd::RangeLineWidth4},
    {M::Command, cmd::RangeLineWidth5},
    {M::End},
};

constexpr MenuItem kZoomPopup[] = {
    {M::Command, cmd::ConsoleAlways}, {M::Separator},          {M::Command, cmd::Zoom10},
    {M::Command, cmd::Zoom25},        {M::Command, cmd::Zoom50}, {M::Command, cmd::Zoom100},
    {M::Command, cmd::Zoom200},       {M::Command, cmd::Zoom300}, {M::Command, cmd::Zoom400},
    {M::Separator},                   {M::Command, cmd::ZoomFit},
};

// The parts popup `popup` is made of, in order.
std::vector<std::span<const MenuItem>> layoutOf(CanvasPopup popup)
{
    switch (popup) {
    case CanvasPopup::View: return {kViewPopup};
    case CanvasPopup::Image: return {kImagePopup};
    case CanvasPopup::Trim: return {kTrimHead, kRangeItems};
    case CanvasPopup::Bokashi: return {kBokashiHead, kRangeItems};
    case CanvasPopup::MultiCut: return {kMultiCutHead, kRangeItems};
    case CanvasPopup::Zoom: return {kZoomPopup};
    }
    return {};
}

bool clipboardHasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

// The canvas's own rules: a command works when something handles it, the
// paste item only when there is a picture to paste.
bool enabledOnCanvas(MainWindow& frame, int id)
{
    if (!frame.hasHandler(id))
        return false;
    if (id == cmd::Paste)
        return clipboardHasImage();
    return true;
}

int checkedLineWidthCommand(const DocState& state)
{
    const int w = state.modeFrameWidth;
    return w >= 1 && w <= 5 ? cmd::RangeLineWidth1 + w - 1 : -1;
}

// Adds `item` to `current`, which a popup item opens and its end closes.
void addItem(MainWindow& frame, const DocState& state, QMenu* root, QMenu*& current, const MenuItem& item)
{
    switch (item.kind) {
    case M::Separator: current->addSeparator(); break;
    case M::Popup: current = current->addMenu(QString::fromUtf8(item.label)); break;
    case M::End: current = root; break;
    case M::RecentFiles: break;
    case M::Command: {
        const CommandInfo* info = findCommand(item.id);
        if (!info)
            break;
        const char* label = *info->contextLabel ? info->contextLabel : info->label;
        QString text = QString::fromUtf8(label);
        if (*info->keyText)
            text += QLatin1Char('\t') + QString::fromUtf8(info->keyText);
        QAction* action = current->addAction(text);
        action->setData(item.id);
        action->setEnabled(enabledOnCanvas(frame, item.id));
        if (item.id == cmd::ConsoleAlways) {
            action->setCheckable(true);
            action->setChecked(state.consoleAlways != 0);
        } else if (item.id >= cmd::RangeLineWidth1 && item.id <= cmd::RangeLineWidth5) {
            action->setCheckable(true);
            action->setChecked(item.id == checkedLineWidthCommand(state));
        }
        break;
    }
    }
}

} // namespace

QMenu* buildCanvasMenu(MainWindow& frame, CanvasPopup popup)
{
    auto* root = new QMenu(&frame);
    const DocState& state = frame.app().doc().state;
    QMenu* current = root;
    for (const std::span<const MenuItem> part : layoutOf(popup)) {
        for (const MenuItem& item : part)
            addItem(frame, state, root, current, item);
    }
    return root;
}

void showCanvasMenu(MainWindow& frame, CanvasPopup popup, QPoint globalPos)
{
    std::unique_ptr<QMenu> menu(buildCanvasMenu(frame, popup));
    const QSize size = menu->sizeHint();
    const QAction* chosen = menu->exec(globalPos - QPoint(size.width() / 2, 0));
    if (chosen && chosen->data().isValid())
        frame.invokeHandler(chosen->data().toInt());
}

} // namespace vq
