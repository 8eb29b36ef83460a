// The canvas settings edited on a copy and applied as one undo step.
#include "edit/CanvasProperties.h"

#include "edit/EditSession.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

PicturePtr jpeg(int w, int h)
{
    return Picture::fromJpegBytes(test::makeJpeg(w, h));
}

class CanvasPropertiesTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        doc.state.backPicture = jpeg(64, 32);
        QObject::connect(&session, &EditSession::documentChanged, [this] { ++changes; });
    }
    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    test::ScriptedPrompter prompts;
    int changes = 0;
};

TEST(CanvasProperties, LimitsAndRangeLabels)
{
    struct Case {
        int asked, width, height;
    };
    const Case cases[] = {
        {12000, 10000, 7500}, {300, 500, 500}, {500, 500, 500}, {7600, 7600, 7500}, {-1, 500, 500},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampCanvasWidth(c.asked), c.width) << c.asked;
        EXPECT_EQ(ClampCanvasHeight(c.asked), c.height) << c.asked;
    }
    EXPECT_EQ(CanvasRangeLabel(kMaxCanvasWidth), QStringLiteral("(500 ～ 10,000)"));
    EXPECT_EQ(CanvasRangeLabel(kMaxCanvasHeight), QStringLiteral("(500 ～ 7,500)"));
}

TEST(CanvasProperties, FittingToTheBackgroundsAspect)
{
    CanvasProperties p;
    EXPECT_FALSE(BackgroundAspect(p)) << "no picture, no ratio";
    p.keptPicture = jpeg(400, 200);
    ASSERT_TRUE(BackgroundAspect(p));
    EXPECT_FLOAT_EQ(*BackgroundAspect(p), 2.0f);
    p.newPicture = jpeg(300, 400);
    EXPECT_FLOAT_EQ(*BackgroundAspect(p), 0.75f) << "the new picture wins";

    struct Case {
        int field;
        float aspect;
        int width;  // from the height field
        int height; // from the width field
    };
    const Case cases[] = {
        {1000, 2.0f, 2000, 500},
        {9000, 2.0f, 15000, 4500}, // height held at 7500 first; the result is not held
        {100, 2.0f, 1000, 250},    // fields held at 500 first
        {1000, 0.75f, 750, 1333},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitWidthToBackground(c.field, c.aspect), c.width) << c.field << " " << c.aspect;
        EXPECT_EQ(FitHeightToBackground(c.field, c.aspect), c.height) << c.field << " " << c.aspect;
    }
}

TEST_F(CanvasPropertiesTest, AnUnchangedCopyAppliesNothing)
{
    const int undo = history.undoCount();
    EXPECT_FALSE(ApplyCanvasPropertiesEdit(session, CanvasPropertiesOf(doc.state)));
    EXPECT_EQ(changes, 0) << "the document is not marked modified";
    EXPECT_EQ(history.undoCount(), undo);
}

TEST_F(CanvasPropertiesTest, EachChangeAppliesAsOneUndoStep)
{
    const PicturePtr background = doc.state.backPicture;
    const PicturePtr chosen = jpeg(80, 40);
    struct Case {
        const char* name;
        std::function<void(CanvasProperties&)> edit;
        std::function<bool(const DocState&)> applied;
    };
    const Case cases[] = {
        {"width", [](CanvasProperties& p) { p.width = 2000; },
         [](const DocState& s) { return s.canvasWidth == 2000; }},
        {"height", [](CanvasProperties& p) { p.height = 600; },
         [](const DocState& s) { return s.canvasHeight == 600; }},
        {"background colour", [](CanvasProperties& p) { p.backColor = 0x00FF00; },
         [](const DocState& s) { return s.backColor == 0x00FF00; }},
        {"frame colour", [](CanvasProperties& p) { p.frameColor = kNoColor; },
         [](const DocState& s) { return s.canvasFrameColor == kNoColor; }},
        {"frame width", [](CanvasProperties& p) { p.frameWidth = 9; },
         [](const DocState& s) { return s.canvasFrameWidth == 9; }},
        {"frame style", [](CanvasProperties& p) { p.frameStyle = 5; },
         [](const DocState& s) { return s.canvasFrameStyle == 5; }},
        {"cleared picture", [](CanvasProperties& p) { p.keptPicture.reset(); },
         [](const DocState& s) { return !s.backPicture; }},
        {"new picture", [&](CanvasProperties& p) { p.newPicture = chosen; },
         [&](const DocState& s) { return s.backPicture == chosen; }},
        {"cleared then new", [&](CanvasProperties& p) { p.keptPicture.reset(); p.newPicture = chosen; },
         [&](const DocState& s) { return s.backPicture == chosen; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DocState before = doc.state;
        CanvasProperties p = CanvasPropertiesOf(doc.state);
        c.edit(p);
        changes = 0;
        const int undo = history.undoCount();
        EXPECT_TRUE(ApplyCanvasPropertiesEdit(session, p));
        EXPECT_TRUE(c.applied(doc.state));
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(history.undoCount(), undo + 1);
        ASSERT_TRUE(session.UndoRedo(true));
        EXPECT_EQ(doc.state.canvasWidth, before.canvasWidth);
        EXPECT_EQ(doc.state.canvasHeight, before.canvasHeight);
        EXPECT_EQ(doc.state.backColor, before.backColor);
        EXPECT_EQ(doc.state.canvasFrameColor, before.canvasFrameColor);
        EXPECT_EQ(doc.state.canvasFrameWidth, before.canvasFrameWidth);
        EXPECT_EQ(doc.state.canvasFrameStyle, before.canvasFrameStyle);
        ASSERT_TRUE(doc.state.backPicture);
        EXPECT_EQ(doc.state.backPicture->bytes(), background->bytes()) << "undo brings the background back";
    }
}

TEST_F(CanvasPropertiesTest, NodesStayWhereTheyAreWhenTheCanvasShrinks)
{
    ASSERT_TRUE(AppendNode(doc, jpeg(100, 100), 100, 100, 900, 900));
    CanvasProperties p = CanvasPropertiesOf(doc.state);
    p.width = 500;
    p.height = 500;
    ASSERT_TRUE(ApplyCanvasPropertiesEdit(session, p));
    EXPECT_EQ(doc.nodes[0].centerX, 900);
    EXPECT_EQ(doc.nodes[0].centerY, 900);
    EXPECT_EQ(doc.nodes[0].halfWidth, 50);
}

TEST_F(CanvasPropertiesTest, LoadingABackgroundFile)
{
    QDir().mkpath(filesDir());
    const QString good = QDir(filesDir()).filePath(QStringLiteral("bg.jpg"));
    const QString bad = QDir(filesDir()).filePath(QStringLiteral("bg.png"));
    ASSERT_TRUE(test::writeFile(good, test::makeJpeg(40, 20)));
    ASSERT_TRUE(test::writeFile(bad, "not a picture"));
    Report refused;
    const PicturePtr loaded = LoadBackgroundPicture(good, &refused);
    EXPECT_TRUE(refused.isEmpty());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->pixelSize(), QSize(40, 20));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_FALSE(LoadBackgroundPicture(bad, &refused));
    prompts.show(refused);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30029});
}

} // namespace
} // namespace vq
