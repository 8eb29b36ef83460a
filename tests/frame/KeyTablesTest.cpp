#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"

#include <QKeyEvent>
#include <QTest>

namespace vq::test {
namespace {

struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int id;
};

// Counts the key presses, other than of modifier keys, that reach a widget.
class KeyPressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        // QTest presses the modifier keys themselves first.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt)
            ++presses;
        return false;
    }
};

constexpr KeyCase kViewKeys[] = {
    {Qt::Key_A, Qt::ControlModifier, 310},  {Qt::Key_B, Qt::ControlModifier, 401},
    {Qt::Key_M, Qt::ControlModifier, 407},  {Qt::Key_C, Qt::ControlModifier, 32780},
    {Qt::Key_Delete, Qt::NoModifier, 32782}, {Qt::Key_V, Qt::ControlModifier, 422},
    {Qt::Key_F5, Qt::NoModifier, 411},      {Qt::Key_Minus, Qt::KeypadModifier, 389},
    {Qt::Key_Plus, Qt::KeypadModifier, 388}, {Qt::Key_T, Qt::ControlModifier, 374},
    {Qt::Key_Escape, Qt::NoModifier, 423},
};

constexpr KeyCase kWindowKeys[] = {
    {Qt::Key_N, Qt::ControlModifier, 57600}, {Qt::Key_O, Qt::ControlModifier, 57601},
    {Qt::Key_S, Qt::ControlModifier, 57603}, {Qt::Key_F1, Qt::NoModifier, 57670},
    {Qt::Key_F10, Qt::NoModifier, 425},      {Qt::Key_F2, Qt::NoModifier, 424},
};

class KeyTablesTest : public FrameTest {
protected:
    void startCounting()
    {
        start();
        addNodes(1, 1);
        for (const KeyCase& k : kViewKeys)
            countCalls({k.id});
        for (const KeyCase& k : kWindowKeys)
            countCalls({k.id});
        countCalls({cmd::Paste, cmd::Undo, cmd::Redo});
    }
};

TEST_F(KeyTablesTest, CanvasKeysRunTheirCommandsWhileTheCanvasHasTheFocus)
{
    startCounting();
    for (const KeyCase& k : kViewKeys) {
        QTest::keyClick(canvas(), k.key, k.modifiers);
        EXPECT_EQ(calls[k.id], 1) << k.id;
    }
    // The main keyboard's minus and plus are not the keypad's.
    QTest::keyClick(canvas(), Qt::Key_Minus);
    QTest::keyClick(canvas(), Qt::Key_Plus);
    EXPECT_EQ(calls[389], 1);
    EXPECT_EQ(calls[388], 1);
    // Ctrl+V is the keyboard paste, not the menu's.
    EXPECT_EQ(calls[cmd::Paste], 0);
}

TEST_F(KeyTablesTest, CanvasKeysDoNothingElsewhereWhileWindowKeysWorkEverywhere)
{
    startCounting();
    canvas()->clearFocus();
    ASSERT_FALSE(canvas()->hasFocus());
    for (const KeyCase& k : kViewKeys) {
        QTest::keyClick(&frame(), k.key, k.modifiers);
        EXPECT_EQ(calls[k.id], 0) << k.id;
    }
    for (const KeyCase& k : kWindowKeys) {
        QTest::keyClick(&frame(), k.key, k.modifiers);
        EXPECT_EQ(calls[k.id], 1) << k.id;
    }
    canvas()->setFocus();
    for (const KeyCase& k : kWindowKeys) {
        QTest::keyClick(canvas(), k.key, k.modifiers);
        EXPECT_EQ(calls[k.id], 2) << k.id;
    }
}

TEST_F(KeyTablesTest, GenericEditKeysDoNothingAndNeverReachTheCanvas)
{
    startCounting();
    countCalls({cmd::Copy, cmd::Delete});
    KeyPressCounter counter;
    canvas()->installEventFilter(&counter);
    const KeyCase generic[] = {
        {Qt::Key_Insert, Qt::ControlModifier, 0}, {Qt::Key_Delete, Qt::ShiftModifier, 0},
        {Qt::Key_X, Qt::ControlModifier, 0},      {Qt::Key_Insert, Qt::ShiftModifier, 0},
        {Qt::Key_Backspace, Qt::AltModifier, 0},  {Qt::Key_F6, Qt::NoModifier, 0},
        {Qt::Key_F6, Qt::ShiftModifier, 0},
    };
    for (const KeyCase& k : generic)
        QTest::keyClick(canvas(), k.key, k.modifiers);
    EXPECT_EQ(counter.presses, 0);
    for (const auto& [id, n] : calls)
        EXPECT_EQ(n, 0) << id;
    // A key no table knows still reaches the canvas.
    QTest::keyClick(canvas(), Qt::Key_Q);
    EXPECT_EQ(counter.presses, 1);
    canvas()->removeEventFilter(&counter);
}

} // namespace
} // namespace vq::test
