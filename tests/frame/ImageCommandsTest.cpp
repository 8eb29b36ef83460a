#include "tests/frame/FrameFixture.h"

#include "app/DocumentController.h"
#include "app/CanvasContextMenu.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "model/WorkFolder.h"
#include "resources/CommandIds.h"
#include "tests/support/Fixtures.h"
#include "view/CanvasView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <functional>

#include <gtest/gtest.h>

namespace vq {
namespace {

class ImageCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        QDir().mkpath(filesDir());
        start();
        QApplication::clipboard()->clear();
    }
    QString jpegFile(const QString& name, int w = 40, int h = 30, QColor colour = QColor(200, 80, 40))
    {
        const QString path = filesDir() + QLatin1Char('/') + name;
        test::writeFile(path, test::makeJpeg(w, h, colour));
        return path;
    }
    CanvasView& view() { return *frame().canvas(); }
    Document& doc() { return app().edits().editableDoc(); }
    // As a drag from another program arrives: it enters the canvas, then drops.
    void drop(QMimeData* data, QPoint client)
    {
        QDragEnterEvent enter(client, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view().viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(client), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view().viewport(), &event);
        EXPECT_TRUE(event.isAccepted());
        delete data;
    }
    static QMimeData* fileList(const QStringList& paths)
    {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }
};

TEST_F(ImageCommandsTest, AddImageTakesTheImagesOfTheSelection)
{
    const QString text = filesDir() + QStringLiteral("/notes.txt");
    test::writeFile(text, "text");
    prompts().files.enqueue({jpegFile("a.jpg"), text, jpegFile("b.jpeg", 60, 20)});
    ASSERT_TRUE(frame().executeCommand(cmd::AddImage));

    ASSERT_EQ(prompts().fileRequests.size(), 1);
    EXPECT_EQ(prompts().fileRequests[0].title, QStringLiteral("追加するイメージを指定(複数選択可)"));
    EXPECT_TRUE(prompts().fileRequests[0].filter.startsWith(QStringLiteral("イメージファイル(jpeg, gif, bmp, png, tiff)")));
    ASSERT_EQ(doc().state.nodeCount, 2);
    EXPECT_EQ(doc().state.mainIndex, 1);
    EXPECT_EQ(doc().nodes[1].halfWidth, 30);
    EXPECT_TRUE(app().document().isModified());
    EXPECT_EQ(app().history().undoCount(), 1);
    EXPECT_EQ(bar().paneText(kPaneObject), QStringLiteral("2"));
    EXPECT_EQ(bar().progressPosition(), 0);
}

// The picture dialogs open in the home folder, then where pictures were last
// chosen from, by either command; a folder that has gone since sends them home.
TEST_F(ImageCommandsTest, PictureDialogsOpenWherePicturesWereLastChosen)
{
    const QString album = filesDir() + QStringLiteral("/album");
    ASSERT_TRUE(QDir().mkpath(album));
    const QString first = jpegFile("album/a.jpg");
    const QString other = filesDir() + QStringLiteral("/other");
    ASSERT_TRUE(QDir().mkpath(other));
    const QString second = jpegFile("other/b.jpg");

    prompts().files.enqueue({first});
    ASSERT_TRUE(frame().executeCommand(cmd::AddImage));
    prompts().files.enqueue({second});
    ASSERT_TRUE(frame().executeCommand(cmd::ChangeImage));
    prompts().files.enqueue({});
    ASSERT_TRUE(frame().executeCommand(cmd::AddImage));
    ASSERT_TRUE(QDir(other).removeRecursively());
    prompts().files.enqueue({});
    ASSERT_TRUE(frame().executeCommand(cmd::AddImage));

    ASSERT_EQ(prompts().fileRequests.size(), 4);
    EXPECT_EQ(prompts().fileRequests[0].directory, QDir::homePath());
    EXPECT_EQ(prompts().fileRequests[1].directory, QFileInfo(first).absolutePath());
    EXPECT_EQ(prompts().fileRequests[2].directory, QFileInfo(second).absolutePath());
    EXPECT_EQ(prompts().fileRequests[3].directory, QDir::homePath());
}

TEST_F(ImageCommandsTest, AddImageCancelledAddsNothing)
{
    prompts().files.enqueue({});
    frame().executeCommand(cmd::AddImage);
    EXPECT_EQ(doc().state.nodeCount, 0);
    EXPECT_EQ(app().history().undoCount(), 0);
}

TEST_F(ImageCommandsTest, FilesDroppedOnEmptyCanvasCascadeFromTheDropPoint)
{
    const QString folder = filesDir() + QStringLiteral("/folder.jpg");
    QDir().mkpath(folder);
    const QStringList dropped{jpegFile("a.jpg"), folder, filesDir() + QStringLiteral("/missing.jpg"),
                              jpegFile("b.jpg")};
    drop(fileList(dropped), {200, 100});
    ASSERT_EQ(doc().state.nodeCount, 2) << "folders and missing files are skipped";
    EXPECT_EQ(QPoint(doc().nodes[0].centerX, doc().nodes[0].centerY), QPoint(200, 100));
    EXPECT_EQ(QPoint(doc().nodes[1].centerX, doc().nodes[1].centerY), QPoint(210, 110));
    EXPECT_EQ(NodeSourceText(doc().nodes[1]), QStringLiteral("file:///") + dropped[3]);
}

TEST_F(ImageCommandsTest, AFileDroppedOnANodeReplacesItsPictureAfterAsking)
{
    drop(fileList({jpegFile("a.jpg", 100, 80)}), {300, 300});
    ASSERT_EQ(doc().state.nodeCount, 1);
    const NodeRecord before = doc().nodes[0];
    const QString other = jpegFile("other.jpg", 30, 90, Qt::blue);

    prompts().answers.enqueue(kIdNo);
    drop(fileList({other}), {300, 300});
    EXPECT_EQ(prompts().messageIds().last(), 30012);
    EXPECT_EQ(doc().nodes[0].picture, before.picture) << "No keeps the picture";

    const int steps = app().history().undoCount();
    prompts().answers.enqueue(kIdYes);
    drop(fileList({other}), {300, 300});
    ASSERT_EQ(doc().state.nodeCount, 1);
    const NodeRecord& after = doc().nodes[0];
    EXPECT_NE(after.picture, before.picture);
    EXPECT_EQ(QSize(after.imageWidth, after.imageHeight), QSize(30, 90));
    EXPECT_EQ(after.halfWidth, before.halfWidth) << "the picture takes the old rectangle";
    EXPECT_EQ(NodeSourceText(after), QStringLiteral("file:///") + other);
    EXPECT_EQ(app().history().undoCount(), steps + 1);
}

TEST_F(ImageCommandsTest, CopyPutsThePictureAndTheMarkerOnTheClipboard)
{
    drop(fileList({jpegFile("a.jpg", 100, 80)}), {300, 300});
    frame().canvas()->SetZoom(0.5f);
    ASSERT_TRUE(doc().hasMainSelection());
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("[OBJ]"));
    const QImage picture = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(picture.size(), QSize(50, 40)) << "the picture as shown at the zoom";
}

TEST_F(ImageCommandsTest, CtrlVPastesTheCopyTenPixelsFurtherEachTime)
{
    drop(fileList({jpegFile("a.jpg")}), {300, 300});
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    for (int k = 1; k <= 3; ++k)
        QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc().state.nodeCount, 4);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(doc().nodes[k].centerX, 300 + 10 * k);
}

TEST_F(ImageCommandsTest, APictureFromAnotherProgramIsPasted)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::green);
    QApplication::clipboard()->setImage(image);
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc().state.nodeCount, 1);
    EXPECT_EQ(NodeSourceText(doc().nodes[0]), QStringLiteral("FROM_CLIP"));
    EXPECT_EQ(doc().nodes[0].imageWidth, 64);

    QApplication::clipboard()->setText(QStringLiteral("just text"));
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc().state.nodeCount, 1) << "text alone pastes nothing";
}

TEST_F(ImageCommandsTest, DeleteAsksAndEmptiesTheCopy)
{
    drop(fileList({jpegFile("a.jpg"), jpegFile("b.jpg")}), {300, 300});
    doc().clearSelection();
    doc().screen[0].selected = 1;
    doc().state.mainIndex = 0;
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);

    prompts().answers.enqueue(kIdNo);
    QTest::keyClick(canvas(), Qt::Key_Delete);
    EXPECT_EQ(doc().state.nodeCount, 2);
    EXPECT_EQ(prompts().messageIds().last(), 30022);

    prompts().answers.enqueue(kIdYes);
    QTest::keyClick(canvas(), Qt::Key_Delete);
    EXPECT_EQ(doc().state.nodeCount, 1);
    EXPECT_EQ(doc().state.mainIndex, -1);
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc().state.nodeCount, 1) << "the marker is still there, the copy is not";
}

TEST_F(ImageCommandsTest, UndoEmptiesTheCopy)
{
    drop(fileList({jpegFile("a.jpg")}), {300, 300});
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc().state.nodeCount, 2);
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().state.nodeCount, 1);
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc().state.nodeCount, 1);
}

TEST_F(ImageCommandsTest, TheCanvasMenuOffersPasteOnlyWithAPicture)
{
    const auto pasteItem = [&] {
        std::unique_ptr<QMenu> menu(buildCanvasMenu(frame(), CanvasPopup::View));
        for (QAction* a : menu->actions())
            if (a->data().toInt() == cmd::Paste)
                return std::make_pair(a->text(), a->isEnabled());
        return std::make_pair(QString(), false);
    };
    EXPECT_TRUE(pasteItem().first.startsWith(QStringLiteral("貼り付け(&V)")));
    EXPECT_FALSE(pasteItem().second);
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    EXPECT_TRUE(pasteItem().second);
}

TEST_F(ImageCommandsTest, AddImageFromTheCanvasMenuCascadesFromTheClickedPoint)
{
    frame().canvas()->SetZoom(1.0f);
    frame().canvas()->setScrollPosition({0, 0});
    prompts().files.enqueue({jpegFile("a.jpg"), jpegFile("b.jpg")});
    QStringList items;
    rightClickCanvasCommand({200, 150}, cmd::AddImage, &items);
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items.first(), QStringLiteral("イメージ追加(&I)"));
    ASSERT_EQ(doc().state.nodeCount, 2);
    EXPECT_EQ(QPoint(doc().nodes[0].centerX, doc().nodes[0].centerY), QPoint(200, 150));
    EXPECT_EQ(QPoint(doc().nodes[1].centerX, doc().nodes[1].centerY), QPoint(210, 160));
}

TEST_F(ImageCommandsTest, ChangeImageReplacesWithAnUndoStep)
{
    drop(fileList({jpegFile("a.jpg")}), {300, 300});
    const int steps = app().history().undoCount();
    const QString other = jpegFile("other.png.jpg", 12, 34);
    prompts().files.enqueue({other});
    ASSERT_TRUE(frame().invokeHandler(cmd::ChangeImage));
    EXPECT_EQ(prompts().fileRequests.last().title, QStringLiteral("変更するイメージを指定"));
    EXPECT_EQ(doc().nodes[0].imageHeight, 34);
    EXPECT_EQ(app().history().undoCount(), steps + 1) << "the picture replaced can be had back";
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().nodes[0].imageHeight, 30);
}

TEST_F(ImageCommandsTest, ACommandWhoseUndoStepCannotBeWrittenDoesNotRun)
{
    drop(fileList({jpegFile("a.jpg"), jpegFile("b.jpg")}), {300, 300});
    ASSERT_EQ(doc().state.nodeCount, 2);
    const int steps = app().history().undoCount();
    // As a full disk does: part of the snapshot is written, then no more.
    app().history().setSnapshotWriter([](QIODevice& file, const Document&, Report*) {
        file.write(QByteArray(100, 'x'));
        return false;
    });
    doc().clearSelection();
    doc().screen[0].selected = 1;
    doc().screen[1].selected = 1;
    doc().state.mainIndex = 0;

    struct Row {
        const char* name;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"delete",
         [&] {
             prompts().answers.enqueue(kIdYes);
             QTest::keyClick(canvas(), Qt::Key_Delete);
         }},
        {"move by key", [&] { QTest::keyClick(canvas(), Qt::Key_Right); }},
        {"change image",
         [&] {
             prompts().files.enqueue({jpegFile("other.jpg", 12, 34)});
             ASSERT_TRUE(frame().invokeHandler(cmd::ChangeImage));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompts().messages.clear();
        const Document before = app().doc();
        row.act();
        EXPECT_EQ(prompts().messageIds().last(), kMsgOutOfMemory);
        EXPECT_TRUE(prompts().messages.last().fullText().contains(QStringLiteral("元に戻すための記録")));
        ASSERT_EQ(doc().state.nodeCount, 2) << "nothing is lost";
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(doc().nodes[i].centerX, before.nodes[i].centerX);
            EXPECT_EQ(doc().nodes[i].imageHeight, 30);
        }
        EXPECT_EQ(app().history().undoCount(), steps);
        EXPECT_TRUE(QDir(GetWorkFolder()).entryList({QStringLiteral("VQD*")}, QDir::Files).size() == steps)
            << "a snapshot cut short is not kept";
    }

    app().history().setSnapshotWriter({});
    prompts().answers.enqueue(kIdYes);
    QTest::keyClick(canvas(), Qt::Key_Delete);
    EXPECT_EQ(doc().state.nodeCount, 0);
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().state.nodeCount, 2);
}

} // namespace
} // namespace vq

namespace vq {
namespace {

TEST_F(ImageCommandsTest, ABrowserPictureIsTakenWithItsAddress)
{
    auto* data = new QMimeData;
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    data->setImageData(image);
    data->setData(QStringLiteral("text/uri-list"), QByteArray("http://example.invalid/page\r\n"));
    drop(data, {150, 120});
    ASSERT_EQ(doc().state.nodeCount, 1);
    const NodeRecord& n = doc().nodes[0];
    EXPECT_EQ(QPoint(n.centerX, n.centerY), QPoint(150, 120));
    EXPECT_EQ(QSize(n.imageWidth, n.imageHeight), QSize(30, 20));
    EXPECT_EQ(NodeSourceText(n), QStringLiteral("http://example.invalid/page"));
}

TEST_F(ImageCommandsTest, AnAddressThatCannotBeFetchedReportsTheFailure)
{
    auto* data = new QMimeData;
    // A port nothing listens on: the download fails at once.
    data->setData(QStringLiteral("text/uri-list"), QByteArray("http://127.0.0.1:9/picture.png\r\n"));
    drop(data, {150, 120});
    EXPECT_EQ(doc().state.nodeCount, 0);
    EXPECT_EQ(prompts().messageIds(), QList<int>{30076});
}


TEST_F(ImageCommandsTest, ADroppedDocumentOpensAfterAsking)
{
    drop(fileList({jpegFile("a.jpg"), jpegFile("b.jpg")}), {200, 100});
    ASSERT_EQ(doc().state.nodeCount, 2);
    const QString vqd = filesDir() + QStringLiteral("/x.VQD");
    // A document of the two images, saved through the save-as command.
    prompts().files.enqueue(QStringList{vqd});
    (void)app().document().OnFileSaveAs();
    ASSERT_TRUE(QFileInfo::exists(vqd)) << vqd.toStdString();
    app().document().OnNewDocument();
    drop(fileList({jpegFile("c.jpg")}), {50, 50});
    ASSERT_EQ(doc().state.nodeCount, 1);
    prompts().answers.enqueue(kIdCancel);
    drop(fileList({jpegFile("d.jpg"), vqd}), {50, 50});
    EXPECT_EQ(doc().state.nodeCount, 1) << "cancel keeps the document, no images added";
    prompts().answers.enqueue(kIdNo);
    drop(fileList({vqd}), {50, 50});
    EXPECT_EQ(doc().state.nodeCount, 2);
    EXPECT_EQ(app().document().path(), QFileInfo(vqd).absoluteFilePath());
}


} // namespace
} // namespace vq
