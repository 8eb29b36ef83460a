// The trimming, blur and multi-cut modes in the running frame: entered with
// their keys, the frame dragged and nudged on the real canvas, the canvas's
// right-click menus, executing, calling off with Esc, and trimming by edges.
#include "tests/frame/DialogAnswers.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "app/DocumentController.h"
#include "dialogs/BlurSettingsDialog.h"
#include "dialogs/TrimBySizeDialog.h"
#include "edit/EditSession.h"
#include "edit/RangeModeControl.h"
#include "imaging/JpegTransform.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"
#include "render/Painters.h"
#include "tests/support/Fixtures.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vq {
namespace {

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) % 256);
    }
    return image;
}

QAction* actionTitled(const QMenu* menu, const QString& title)
{
    for (QAction* a : menu->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

class RangeCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        view().SetZoom(1.0f);
        view().setScrollPosition({0, 0});
        // A 400 x 200 picture shown at its own size over (100, 100)-(500, 300).
        ASSERT_TRUE(AppendNode(doc(), Picture::fromJpegBytes(EncodeJpegFullChroma(gradient(400, 200), 100)), 400,
                               200, 300, 200));
        node = doc().nodeCount() - 1;
        doc().nodes[node].centerX = 300;
        doc().nodes[node].centerY = 200;
        doc().nodes[node].halfWidth = 200;
        doc().nodes[node].halfHeight = 100;
        doc().clearSelection();
        doc().screen[node].selected = 1;
        doc().state.mainIndex = node;
        original = test::decodedPixels(doc().nodes[node].picture);
        app().edits().commitChange();
        canvas()->setFocus();
    }

    Document& doc() { return app().edits().editableDoc(); }
    CanvasView& view() { return *frame().canvas(); }
    QWidget* vp() { return view().viewport(); }
    RangeMode& mode() { return app().edits().mode(); }
    // The range relative to the node's top-left corner at (100, 100).
    IntRect relativeRange()
    {
        const IntRect r = mode().modeRect;
        return {r.left - 100, r.top - 100, r.right - 100, r.bottom - 100};
    }
    // Client point of canvas point `p` at zoom 1.
    QPoint client(QPoint p) { return p - view().scrollPosition(); }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(canvas(), k, mods); }

    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(vp(), Qt::LeftButton, {}, from);
        for (int k = 1; k <= 3; ++k)
            QTest::mouseMove(vp(), from + (to - from) * k / 3);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, to);
    }

    int node = -1;
    QImage original;
};

// ---------------------------------------------------------------------------
// Entering and calling off, per kind

struct KindCase {
    const char* name;
    Qt::Key key;
    RangeKind kind;
    int execute, cancel;
    const char* guideName;
};

class ModeKeysTest : public RangeCommandsTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ModeKeysTest, TheKeyEntersTheModeAndEscCallsItOff)
{
    const KindCase& c = GetParam();
    countCalls({cmd::MultiSettings});
    QSignalSpy cancelled(&app().edits(), &EditSession::modeCancelled);
    key(c.key, Qt::ControlModifier);

    ASSERT_EQ(mode().modeNode, node);
    EXPECT_EQ(mode().modeKind, c.kind);
    EXPECT_EQ(relativeRange(), (IntRect{100, 50, 300, 150})) << "nothing stored: the middle half";
    EXPECT_EQ(doc().selectedCount(), 0);
    EXPECT_EQ(bar().guideText(), QString::fromUtf8(c.guideName)
                                     + QStringLiteral("処理中です。反転部分を右クリックするとメニューが表示されます。（中止 : ESCキー）"));
    EXPECT_EQ(calls[cmd::MultiSettings], c.kind == RangeKind::MultiCut ? 1 : 0) << "multi-cut shows its settings";

    // Only the active kind's execute and cancel are on.
    frame().updateCommandStates();
    for (const int id : {cmd::TrimExecute, cmd::TrimCancel, cmd::BlurExecute, cmd::BlurCancel, cmd::MultiExecute,
                         cmd::MultiCancel}) {
        if (id == cmd::MultiExecute && !frame().hasHandler(id))
            continue;
        EXPECT_EQ(frame().action(id)->isEnabled(), id == c.execute || id == c.cancel) << id;
    }
    EXPECT_FALSE(frame().action(cmd::TrimStart)->isEnabled()) << "the mode took the selection";

    key(Qt::Key_Escape);
    EXPECT_EQ(mode().modeNode, -1);
    ASSERT_EQ(cancelled.size(), 1);
    EXPECT_EQ(cancelled[0][0].value<RangeKind>(), c.kind);
    EXPECT_TRUE(bar().guideText().isEmpty()) << "the guide of a mode that ended goes with it";
    EXPECT_EQ(app().history().undoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ModeKeysTest,
    ::testing::Values(KindCase{"Trimming", Qt::Key_T, RangeKind::Trim, cmd::TrimExecute, cmd::TrimCancel, "トリミング"},
                      KindCase{"Blur", Qt::Key_B, RangeKind::Blur, cmd::BlurExecute, cmd::BlurCancel, "ボカシ"},
                      KindCase{"MultiCut", Qt::Key_M, RangeKind::MultiCut, cmd::MultiExecute, cmd::MultiCancel,
                               "マルチカット"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeCommandsTest, EachCancelCommandEndsOnlyItsOwnKind)
{
    key(Qt::Key_B, Qt::ControlModifier);
    ASSERT_TRUE(mode().active());
    frame().invokeHandler(cmd::TrimCancel);
    frame().invokeHandler(cmd::MultiCancel);
    EXPECT_TRUE(mode().active()) << "not the blur's cancel";
    clickMenuItem({QStringLiteral("ボカシ(&B)")}, cmd::BlurCancel);
    EXPECT_FALSE(mode().active());
}

TEST_F(RangeCommandsTest, TheRangeIsRememberedForTheNextTimeTheKindStarts)
{
    key(Qt::Key_T, Qt::ControlModifier);
    // The frame's right edge dragged 40 pixels to the right.
    drag(client({400, 200}), client({440, 200}));
    EXPECT_EQ(relativeRange(), (IntRect{100, 50, 340, 150}));
    key(Qt::Key_Escape);

    doc().screen[node].selected = 1;
    doc().state.mainIndex = node;
    key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(relativeRange(), (IntRect{100, 50, 340, 150}));
    key(Qt::Key_Escape);

    doc().screen[node].selected = 1;
    doc().state.mainIndex = node;
    key(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(relativeRange(), (IntRect{100, 50, 300, 150})) << "each kind remembers its own";
}

// ---------------------------------------------------------------------------
// Trimming through the canvas

TEST_F(RangeCommandsTest, TrimmingWithTheMouseTheKeysAndTheMenu)
{
    key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(mode().modeKind, RangeKind::Trim);

    // The left edge dragged 20 pixels right, then the keypad's plus and minus.
    drag(client({200, 200}), client({220, 200}));
    EXPECT_EQ(relativeRange(), (IntRect{120, 50, 300, 150}));
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(relativeRange(), (IntRect{119, 49, 301, 151}));
    key(Qt::Key_Minus, Qt::KeypadModifier);
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(relativeRange(), (IntRect{121, 51, 299, 149}));
    // The keyboard stays on the edge the mouse took: the arrow moves it by 10.
    key(Qt::Key_Left);
    EXPECT_EQ(relativeRange(), (IntRect{111, 51, 299, 149}));

    QStringList items;
    rightClickCanvasCommand(client({300, 200}), cmd::TrimExecute, &items);
    EXPECT_EQ(items, (QStringList{"トリミング実行(&G)", "トリミング中止(&Q)", "1ピクセル広げる(&I)", "1ピクセル狭める(&D)",
                                  "範囲最大(&M)", "線の色(&C)", "線の太さ(&F)"}));

    const NodeRecord& n = doc().nodes[node];
    EXPECT_EQ(mode().modeNode, -1);
    EXPECT_EQ(n.picture->pixelSize(), QSize(188, 98));
    EXPECT_EQ(doc().NodeRect(node), (IntRect{211, 151, 399, 249}));
    const QImage kept = test::decodedPixels(n.picture);
    const QRgb got = kept.pixel(10, 10);
    const QRgb want = original.pixel(121, 61);
    EXPECT_NEAR(qRed(got), qRed(want), 4);
    EXPECT_NEAR(qGreen(got), qGreen(want), 4);
    EXPECT_EQ(app().history().undoCount(), 1);
    EXPECT_TRUE(app().document().isModified());
    EXPECT_TRUE(bar().guideText().isEmpty());

    ASSERT_TRUE(app().edits().UndoRedo(true));
    EXPECT_EQ(doc().nodes[node].picture->pixelSize(), QSize(400, 200));
}

// While a mode runs nothing can be selected, so nothing can be deleted or
// reordered behind its back, and executing still works on the node it shows.
TEST_F(RangeCommandsTest, AModeKeepsTheSelectionEmptyAndActsOnItsOwnNode)
{
    ASSERT_TRUE(AppendNode(doc(), Picture::fromJpegBytes(EncodeJpegFullChroma(gradient(100, 100), 90)), 100, 100,
                           650, 400));
    doc().clearSelection();
    doc().screen[node].selected = 1;
    doc().state.mainIndex = node;
    key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(mode().modeNode, node);

    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(doc().selectedCount(), 0) << "Ctrl+A";
    drag(client({760, 480}), client({90, 90}));
    EXPECT_EQ(doc().selectedCount(), 0) << "the rubber band";
    prompts().answers.enqueue(kIdYes);
    key(Qt::Key_Delete);
    EXPECT_EQ(doc().nodeCount(), 2);
    EXPECT_EQ(mode().modeNode, node);

    rightClickCanvasCommand(client({300, 200}), cmd::TrimExecute);
    EXPECT_EQ(doc().nodes[node].picture->pixelSize(), QSize(200, 100));
    EXPECT_EQ(doc().nodes[node + 1].picture->pixelSize(), QSize(100, 100));
}

TEST_F(RangeCommandsTest, TheRightClickMenuOpensOnlyOnTheFrame)
{
    key(Qt::Key_T, Qt::ControlModifier);
    bool opened = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened = true;
            menu->close();
        }
    });
    poll.start();
    QTest::mouseClick(vp(), Qt::RightButton, {}, client({150, 120}));
    QTest::qWait(100);
    EXPECT_FALSE(opened) << "outside the range";
    EXPECT_TRUE(mode().active());
}

TEST_F(RangeCommandsTest, TheMenuSetsTheFrameColourAndWidthAndMarksTheWidth)
{
    key(Qt::Key_T, Qt::ControlModifier);
    prompts().colors.enqueue(QColor(10, 20, 30));
    rightClickCanvasCommand(client({300, 200}), cmd::RangeLineColor);
    EXPECT_EQ(doc().state.modeFrameColor, RefFromColor(QColor(10, 20, 30)));
    EXPECT_TRUE(app().document().isModified());

    rightClickCanvasCommand(client({300, 200}), cmd::RangeLineColor);
    EXPECT_EQ(doc().state.modeFrameColor, RefFromColor(QColor(10, 20, 30))) << "a cancelled chooser changes nothing";

    // The width submenu, with the mark on the current width alone.
    doc().state.modeFrameWidth = 2;
    QList<int> marked;
    rightClickCanvas(client({300, 200}), [&](QMenu* menu) -> QAction* {
        QAction* sub = actionTitled(menu, QStringLiteral("線の太さ(&F)"));
        if (!sub || !sub->menu())
            return nullptr;
        QAction* three = menuAction(sub->menu(), cmd::RangeLineWidth1 + 2);
        for (int id = cmd::RangeLineWidth1; id <= cmd::RangeLineWidth5; ++id) {
            const QAction* item = menuAction(sub->menu(), id);
            if (item && item->isChecked())
                marked << id;
        }
        // Submenus open from the keyboard; the offscreen platform has no hover.
        menu->setActiveAction(sub);
        QTest::keyClick(menu, Qt::Key_Right);
        if (!waitFor([&] { return sub->menu()->isVisible(); }))
            return nullptr;
        QTest::mouseClick(sub->menu(), Qt::LeftButton, {}, sub->menu()->actionGeometry(three).center());
        return nullptr;
    });
    EXPECT_EQ(marked, QList<int>{cmd::RangeLineWidth1 + 1});
    EXPECT_EQ(doc().state.modeFrameWidth, 3);
    EXPECT_TRUE(mode().active()) << "frame settings leave the mode on";
}

TEST_F(RangeCommandsTest, RangeCommandsFromTheMenuActOnTheFrame)
{
    key(Qt::Key_T, Qt::ControlModifier);
    rightClickCanvasCommand(client({300, 200}), cmd::RangeLargest);
    EXPECT_EQ(relativeRange(), (IntRect{0, 0, 400, 200}));
    rightClickCanvasCommand(client({300, 200}), cmd::RangeNarrow);
    EXPECT_EQ(relativeRange(), (IntRect{1, 1, 399, 199}));
    rightClickCanvasCommand(client({300, 200}), cmd::RangeWiden);
    rightClickCanvasCommand(client({300, 200}), cmd::RangeWiden);
    EXPECT_EQ(relativeRange(), (IntRect{0, 0, 400, 200})) << "never past the node";
}

// ---------------------------------------------------------------------------
// Blur through the canvas

TEST_F(RangeCommandsTest, BlurFromTheCanvasMenuObscuresTheRangeOnly)
{
    app().settings().setValue(keys::BlockW, 10);
    app().settings().setValue(keys::BokashiType, 0);
    key(Qt::Key_B, Qt::ControlModifier);
    QStringList items;
    rightClickCanvasCommand(client({300, 200}), cmd::BlurExecute, &items);
    EXPECT_EQ(items.mid(0, 3), (QStringList{"ボカシ実行(&G)", "ボカシ中止(&Q)", "ボカシ設定(&S)"}));

    const QImage blurred = test::decodedPixels(doc().nodes[node].picture);
    ASSERT_EQ(blurred.size(), QSize(400, 200));
    EXPECT_EQ(doc().NodeRect(node), (IntRect{100, 100, 500, 300}));
    // Inside the range (100, 50)-(300, 150) each 10 x 10 block is one colour.
    for (const QPoint at : {QPoint(100, 50), QPoint(150, 90), QPoint(290, 140)}) {
        const QRgb corner = blurred.pixel(at);
        const QRgb far = blurred.pixel(at + QPoint(9, 9));
        EXPECT_NEAR(qRed(corner), qRed(far), 4) << at.x();
        EXPECT_NEAR(qGreen(corner), qGreen(far), 4) << at.x();
        EXPECT_NEAR(qRed(corner), qRed(original.pixel(at)), 4);
    }
    // Outside it the picture is as it was.
    for (const QPoint at : {QPoint(50, 20), QPoint(99, 100), QPoint(350, 180)}) {
        EXPECT_NEAR(qRed(blurred.pixel(at)), qRed(original.pixel(at)), 4) << at.x();
        EXPECT_NEAR(qGreen(blurred.pixel(at)), qGreen(original.pixel(at)), 4) << at.x();
    }
    EXPECT_EQ(mode().modeNode, -1);
    EXPECT_EQ(app().history().undoCount(), 1);
}

TEST_F(RangeCommandsTest, TheBlurSettingsOpenFromTheBlurMenu)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = test::activeModalDialog<BlurSettingsDialog>()) {
            seen = true;
            poll.stop();
            dialog->blockBox()->setValue(25);
            QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
        }
    });
    poll.start();
    clickMenuItem({QStringLiteral("ボカシ(&B)")}, cmd::BlurSettings);
    ASSERT_TRUE(waitFor([&] { return seen && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(app().settings().value(keys::BlockW), 25);
}

// ---------------------------------------------------------------------------
// Trimming the selection's edges

TEST_F(RangeCommandsTest, TheToolbarCutsOnePictureEdgeOfEverySelectedNode)
{
    struct Edge {
        int id;
        QSize size;
    };
    QSize expected(400, 200);
    for (const Edge e : {Edge{cmd::TrimLeft, {399, 200}}, Edge{cmd::TrimTop, {399, 199}},
                         Edge{cmd::TrimRight, {398, 199}}, Edge{cmd::TrimBottom, {398, 198}}}) {
        frame().updateCommandStates();
        clickToolButton(e.id);
        EXPECT_EQ(doc().nodes[node].picture->pixelSize(), e.size) << e.id;
    }
    EXPECT_EQ(app().history().undoCount(), 4);
    EXPECT_EQ(doc().screen[node].selected, 1);
}

TEST_F(RangeCommandsTest, TrimmingBySizeCutsWhatTheDialogSays)
{
    // Once as the program runs it, modally; then through the dialog seam.
    const auto runModal = [&](const std::function<void(TrimBySizeDialog&)>& use) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = test::activeModalDialog<TrimBySizeDialog>()) {
                seen = true;
                poll.stop();
                use(*dialog);
            }
        });
        poll.start();
        clickMenuItem({QStringLiteral("トリミング(&T)")}, cmd::TrimBySize);
        EXPECT_TRUE(waitFor([&] { return seen && !QApplication::activeModalWidget(); }));
    };
    const auto runDialog = [&](const std::function<void(TrimBySizeDialog&)>& use) {
        test::DialogAnswers answers;
        answers.answer<TrimBySizeDialog>(use);
        clickMenuItem({QStringLiteral("トリミング(&T)")}, cmd::TrimBySize);
        EXPECT_EQ(answers.runs(), 1);
        EXPECT_TRUE(answers.unanswered().isEmpty());
    };

    runModal([](TrimBySizeDialog& d) { QTest::mouseClick(d.executeButton(), Qt::LeftButton); });
    EXPECT_EQ(app().history().undoCount(), 0) << "all four 0 does nothing";

    runDialog([](TrimBySizeDialog& d) {
        d.leftBox()->setValue(2);
        d.bottomBox()->setValue(5);
        d.reject();
    });
    EXPECT_EQ(doc().nodes[node].picture->pixelSize(), QSize(400, 200)) << "cancelled";

    runDialog([](TrimBySizeDialog& d) {
        d.leftBox()->setValue(2);
        d.bottomBox()->setValue(5);
        QTest::mouseClick(d.executeButton(), Qt::LeftButton);
    });
    EXPECT_EQ(doc().nodes[node].picture->pixelSize(), QSize(398, 195));
    EXPECT_EQ(doc().NodeRect(node), (IntRect{102, 100, 500, 294}));
    EXPECT_EQ(app().history().undoCount(), 1);
}

} // namespace
} // namespace vq
