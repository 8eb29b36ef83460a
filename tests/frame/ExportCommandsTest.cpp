// Exporting the canvas from the main window: the questions in their order,
// the answers' effect on the written file, and the view left as it was.
#include "app/ExportCommands.h"

#include "shell/ShellUtilities.h"
#include "dialogs/JpegQualityDialog.h"
#include "edit/ExportImage.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "tests/edit/ExportScene.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"
#include "tests/support/Fixtures.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace vq {
namespace {

// Answers the export's quality question from a script and counts it.
class ScriptedExportAsker : public ExportAsker {
public:
    std::optional<int> quality;
    int qualityQuestions = 0;

    std::optional<int> chooseQuality(QObject*) override
    {
        ++qualityQuestions;
        return quality;
    }
};

// The real quality dialog after a file chosen through the scripted prompter.
class RealQualityAsker : public ScriptedExportAsker {
public:
    explicit RealQualityAsker(Settings& settings) : m_dialogs(settings) {}
    std::optional<int> chooseQuality(QObject* owner) override { return m_dialogs.chooseQuality(owner); }

private:
    DialogExportAsker m_dialogs;
};

class ExportCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        test::BuildExportScene(app().edits().editableDoc());
        app().edits().editableDoc().state.zoom = 1.0f;
        app().sys().dspOverlap = 1;
        useAsker(std::make_shared<ScriptedExportAsker>());
        m_previousOpener = setUrlOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
    }
    void TearDown() override
    {
        setUrlOpener(m_previousOpener);
        FrameTest::TearDown();
    }

    void useAsker(std::shared_ptr<ScriptedExportAsker> a)
    {
        asker = std::move(a);
        wireExportCommands(frame(), asker);
    }
    QString file(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }
    void choose(const QString& name, int filter, std::optional<int> quality = std::nullopt)
    {
        prompts().files.clear();
        prompts().files.enqueue({file(name), ExportFilters().value(filter - 1)});
        asker->quality = quality;
    }
    void runExport() { frame().action(cmd::SaveAsImage)->trigger(); }
    void answer(int id)
    {
        prompts().answers.clear();
        prompts().answers.enqueue(id);
    }

    std::shared_ptr<ScriptedExportAsker> asker;
    QList<QUrl> opened;

private:
    UrlOpener m_previousOpener;
};

TEST_F(ExportCommandsTest, FromTheFileMenuWithTheTwelveTypesAndJpegPreselected)
{
    choose(QStringLiteral("out.jpeg"), kExportJpegFilter, 90);
    answer(kIdYes);
    clickMenuItem({QStringLiteral("ファイル(&F)")}, cmd::SaveAsImage);

    ASSERT_EQ(prompts().fileRequests.size(), 1);
    const FileRequest& request = prompts().fileRequests.first();
    EXPECT_EQ(request.title, QStringLiteral("保存するファイルを指定"));
    EXPECT_EQ(request.suggestedName, QStringLiteral("無題"));
    const QStringList filters = request.filter.split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), kExportFilterCount);
    EXPECT_EQ(filters.first(), QStringLiteral("モノクロ BITMAPファイル(*.bmp) (*.bmp)"));
    EXPECT_EQ(filters.at(kExportJpegFilter - 1), QStringLiteral("JPEGファイル(*.jpeg) (*.jpeg)"));
    EXPECT_EQ(filters.last(), QStringLiteral("TIFFファイル(*.tiff) (*.tiff)"));
    EXPECT_EQ(request.selectedFilter, filters.at(kExportJpegFilter - 1));
    EXPECT_FALSE(request.confirmOverwrite);
    EXPECT_EQ(asker->qualityQuestions, 1);

    EXPECT_EQ(QImageReader(file("out.jpeg")).format(), QByteArray("jpeg"));
    EXPECT_EQ(prompts().messageIds(), QList<int>{30069});
    EXPECT_EQ(prompts().messages.first().style, kStyleYesNo);
    // Yes to "show the location?" opens the folder in the file manager.
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(filesDir())});
}

// The zoom question: Yes keeps the view's zoom, No writes at 100 %, Cancel
// writes nothing; the view's zoom and selection stay as they were.
TEST_F(ExportCommandsTest, ZoomOtherThanOneAsksAtWhichSizeToSave)
{
    const struct {
        float zoom;
        int answer;
        QSize written; // 0 x 0: nothing written
        QList<int> asked;
    } cases[] = {
        {0.5f, kIdYes, {250, 250}, {30032, 30069}},
        {0.5f, kIdNo, {500, 500}, {30032, 30069}},
        {0.5f, kIdCancel, {0, 0}, {30032}},
        {2.0f, kIdYes, {1000, 1000}, {30032, 30069}},
        {1.0f, kIdNo, {500, 500}, {30069}},
    };
    Document& doc = app().edits().editableDoc();
    doc.screen[0].selected = 1;
    doc.screen[1].selected = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "zoom " << c.zoom << " answer " << c.answer);
        QFile::remove(file("z.png"));
        prompts().messages.clear();
        answer(c.answer);
        doc.state.zoom = c.zoom;
        choose(QStringLiteral("z.png"), kExportPngFilter);
        runExport();
        EXPECT_EQ(prompts().messageIds(), c.asked);
        if (c.zoom != 1.0f) {
            EXPECT_EQ(prompts().messages.first().style, kStyleYesNoCancel);
        }
        EXPECT_EQ(QImage(file("z.png")).size(), c.written);
        EXPECT_EQ(doc.state.zoom, c.zoom);
        EXPECT_EQ(doc.screen[0].selected, 1);
        EXPECT_EQ(doc.screen[1].selected, 1);
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ExportCommandsTest, ExportedPixelsAreTheCanvasWithoutHandles)
{
    Document& doc = app().edits().editableDoc();
    doc.screen[0].selected = 1;
    doc.state.mainIndex = 0;
    doc.state.zoom = 0.5f;
    answer(kIdYes);
    choose(QStringLiteral("p.png"), kExportPngFilter);
    runExport();
    const QImage image(file("p.png"));
    ASSERT_EQ(image.size(), QSize(250, 250));
    EXPECT_TRUE(test::NearColour(image.pixel(11, 11), Qt::red)) << "no handle at the main node's corner";
    EXPECT_TRUE(test::NearColour(image.pixel(37, 37), Qt::yellow)) << "overlap marked";
    EXPECT_TRUE(test::NearColour(image.pixel(55, 55), Qt::blue));
}

// The type list entry and the typed extension together decide the writer and
// whether the quality is asked.
TEST_F(ExportCommandsTest, TypedExtensionDecidesTheFileType)
{
    const struct {
        const char* name;
        int filter;
        QByteArray format; // empty: nothing written
        int qualityQuestions;
        QList<int> asked;
    } cases[] = {
        {"a.jpeg", kExportPngFilter, "jpeg", 0, {30069}},
        {"b.jpg", kExportJpegFilter, "jpeg", 1, {30069}},
        {"c.tif", kExportTiffFilter, "tiff", 0, {30069}},
        {"d.png", kExportGifFilter, "png", 0, {30069}},
        {"e", kExportGifFilter, "gif", 0, {30069}},
        {"f.png", 7, "bmp", 0, {30069}},
        {"g.txt", kExportJpegFilter, "", 0, {30019}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts().messages.clear();
        asker->qualityQuestions = 0;
        choose(QString::fromUtf8(c.name), c.filter, 80);
        runExport();
        const QString written = CompleteExportPath(file(QString::fromUtf8(c.name)), c.filter);
        EXPECT_EQ(QImageReader(written).format(), c.format);
        EXPECT_EQ(asker->qualityQuestions, c.qualityQuestions);
        EXPECT_EQ(prompts().messageIds(), c.asked);
    }
    EXPECT_TRUE(prompts().messages.last().fullText().startsWith(file("g.txt")));
    EXPECT_FALSE(QFileInfo::exists(file("g.txt")));
}

TEST_F(ExportCommandsTest, ExistingFileIsReplacedOnlyWhenTheUserSaysSo)
{
    for (const int reply : {kIdNo, kIdYes}) {
        SCOPED_TRACE(reply);
        ASSERT_TRUE(test::writeFile(file("old.png"), "old"));
        prompts().messages.clear();
        answer(reply);
        choose(QStringLiteral("old.png"), kExportPngFilter);
        runExport();
        EXPECT_EQ(prompts().messageIds().first(), 30056);
        EXPECT_EQ(prompts().messages.first().style, kStyleYesNo);
        EXPECT_EQ(test::readFile(file("old.png")) == "old", reply == kIdNo);
    }
}

TEST_F(ExportCommandsTest, CancelledChoicesWriteNothing)
{
    prompts().files.clear();
    runExport();
    choose(QStringLiteral("q.jpeg"), kExportJpegFilter);
    runExport();
    EXPECT_EQ(asker->qualityQuestions, 1);
    EXPECT_TRUE(prompts().messages.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file("q.jpeg")));
}

TEST_F(ExportCommandsTest, CanvasTooLargeToHoldReportsMemory)
{
    Document& doc = app().edits().editableDoc();
    doc.state.canvasWidth = 10000;
    doc.state.canvasHeight = 10000;
    doc.state.zoom = 3.0f;
    answer(kIdYes);
    choose(QStringLiteral("big.png"), kExportPngFilter);
    runExport();
    EXPECT_EQ(prompts().messageIds(), (QList<int>{30032, 30001}));
    EXPECT_EQ(prompts().messages.last().style, kStyleError);
    EXPECT_FALSE(QFileInfo::exists(file("big.png")));
}

// The real quality dialog: cancelling it writes nothing and keeps the stored
// quality; accepting writes at the chosen quality and stores it.
TEST_F(ExportCommandsTest, QualityDialogDecidesTheJpegQuality)
{
    useAsker(std::make_shared<RealQualityAsker>(app().settings()));
    app().settings().setValue(keys::Quality, 40);
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "決定" : "中止");
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<JpegQualityDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QTest::mouseClick(dialog->valueButton(20), Qt::LeftButton);
            QTest::mouseClick(accept ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
            answered = true;
        });
        choose(QStringLiteral("q.jpeg"), kExportJpegFilter);
        runExport();
        ASSERT_TRUE(answered);
        EXPECT_EQ(QFileInfo::exists(file("q.jpeg")), accept);
        EXPECT_EQ(app().settings().value(keys::Quality), accept ? 20 : 40);
    }
    // Quality 20 against the encoder's 100 for the same canvas.
    const QString full = file("full.jpeg");
    ASSERT_EQ(ExportCanvas(app().doc(), app().sys(), {}, 1.0f, full, ExportTarget{0, QStringLiteral("jpeg")}, 100),
              ExportResult::Saved);
    EXPECT_LT(QFileInfo(file("q.jpeg")).size(), QFileInfo(full).size());
}

} // namespace
} // namespace vq
