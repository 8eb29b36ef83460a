#include "edit/ExportImage.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "model/RangeModeState.h"
#include "model/DocumentFile.h"
#include "base/Settings.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/edit/ExportScene.h"
#include "tests/imaging/ColourFixtures.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vq {
namespace {

struct ToolRun {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

class VqdtoolTest : public test::IsolatedTest {
protected:
    ToolRun run(const QStringList& args)
    {
        QProcess p;
        p.setWorkingDirectory(filesDir());
        p.start(QStringLiteral(VQDTOOL_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }
    QString file(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }
};

TEST_F(VqdtoolTest, CreateInfoExtract)
{
    const QByteArray jpeg = test::makeJpeg(300, 200);
    ASSERT_TRUE(test::writeFile(file("a.jpg"), jpeg));
    QImage png(2000, 100, QImage::Format_ARGB32);
    png.fill(Qt::green);
    ASSERT_TRUE(png.save(file("b.png")));

    ToolRun c = run({"create", "doc.vqd", "a.jpg", "b.png"});
    ASSERT_EQ(c.exitCode, 0) << c.err.toStdString();

    ToolRun i = run({"info", "doc.vqd"});
    ASSERT_EQ(i.exitCode, 0) << i.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(i.out).object();
    EXPECT_EQ(root["state"].toObject()["nodeCount"].toInt(), 2);
    const QJsonArray nodes = root["nodes"].toArray();
    ASSERT_EQ(nodes.size(), 2);
    const QJsonObject first = nodes[0].toObject();
    EXPECT_EQ(first["centerX"].toInt(), 500);
    EXPECT_EQ(first["halfWidth"].toInt(), 150);
    EXPECT_EQ(first["pictureBytes"].toInt(), jpeg.size());
    EXPECT_EQ(first["source"].toString(), QStringLiteral("file:///") + file("a.jpg"));
    // The wide picture is shrunk to 250 pixels and cascades from the corner.
    const QJsonObject second = nodes[1].toObject();
    EXPECT_EQ(second["halfWidth"].toInt(), 125);
    EXPECT_EQ(second["imageWidth"].toInt(), 2000);

    ToolRun x = run({"extract", "doc.vqd", "out"});
    ASSERT_EQ(x.exitCode, 0) << x.err.toStdString();
    EXPECT_EQ(test::readFile(file("out/0000.jpeg")), jpeg);
    EXPECT_TRUE(QFileInfo::exists(file("out/0001.jpeg")));
}

// A phone's portrait photo, stored sideways with the tag to turn it, goes into
// the document upright: node and picture 64 × 48, the extracted bytes the
// turned JPEG with its tag at 1.
TEST_F(VqdtoolTest, CreateBringsATaggedPhotoInUpright)
{
    ASSERT_TRUE(test::writeFile(file("portrait.jpg"), test::TaggedPhoto(test::QuadrantImage(64, 48), 6)));
    ToolRun c = run({"create", "doc.vqd", "portrait.jpg"});
    ASSERT_EQ(c.exitCode, 0) << c.err.toStdString();

    const QJsonObject node =
        QJsonDocument::fromJson(run({"info", "doc.vqd"}).out).object()["nodes"].toArray()[0].toObject();
    EXPECT_EQ(node["halfWidth"].toInt(), 32);
    EXPECT_EQ(node["halfHeight"].toInt(), 24);
    EXPECT_EQ(node["imageWidth"].toInt(), 64);

    ASSERT_EQ(run({"extract", "doc.vqd", "out"}).exitCode, 0);
    const QByteArray kept = test::readFile(file("out/0000.jpeg"));
    EXPECT_EQ(ExifOrientationOf(kept), 1);
    const QImage shown = DecodeImage(kept);
    ASSERT_EQ(shown.size(), QSize(64, 48));
    EXPECT_TRUE(test::Near(shown.pixel(8, 8), test::kTopLeft));
    EXPECT_TRUE(test::Near(shown.pixel(56, 40), test::kBottomRight));
}

// Photographs in their own colour space, a layout program's four-colour JPEG
// and a phone's HEIC export in their true colours, sRGB; the JPEGs are kept
// byte for byte, the HEIC as a JPEG while its node still names the file.
TEST_F(VqdtoolTest, ExportShowsEveryPictureInTrueColour)
{
    const QByteArray p3 = test::ProfiledJpeg({64, 48}, test::DisplayP3Profile());
    const QByteArray inks = test::CmykJpeg({64, 48}, true);
    ASSERT_TRUE(test::writeFile(file("p3.jpg"), p3));
    ASSERT_TRUE(test::writeFile(file("inks.jpg"), inks));
    ASSERT_TRUE(test::writeFile(file("phone.heic"), test::Fixture("p3.heic")));
    const QRgb vivid[] = {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight};
    const QRgb ink[] = {test::kInkRed, test::kInkGreen, test::kInkBlue, test::kInkGrey};
    const struct {
        const char* picture;
        const QRgb* expected;
    } cases[] = {{"p3.jpg", vivid}, {"inks.jpg", ink}, {"phone.heic", vivid}};
    for (const auto& c : cases) {
        const QString name = QString::fromLatin1(c.picture);
        const ToolRun created = run({"create", name + ".vqd", name});
        ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        ASSERT_EQ(run({"export", name + ".vqd", name + ".png"}).exitCode, 0);
        const QImage exported(file(name + ".png"));
        ASSERT_FALSE(exported.isNull());
        const QJsonObject node =
            QJsonDocument::fromJson(run({"info", name + ".vqd"}).out).object()["nodes"].toArray()[0].toObject();
        EXPECT_EQ(node["halfWidth"].toInt(), 32) << c.picture;
        EXPECT_EQ(node["halfHeight"].toInt(), 24) << c.picture;
        EXPECT_EQ(node["source"].toString(), QStringLiteral("file:///") + file(name));
        const int left = node["centerX"].toInt() - 32;
        const int top = node["centerY"].toInt() - 24;
        const test::Quadrants q = test::SampleQuadrants(exported.copy(left, top, 64, 48));
        const QRgb seen[] = {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(test::Near(seen[i], c.expected[i], 16))
                << c.picture << " quadrant " << i << ": " << std::hex << seen[i];
        ASSERT_EQ(run({"extract", name + ".vqd", name + ".kept"}).exitCode, 0);
    }
    EXPECT_EQ(test::readFile(file("p3.jpg.kept/0000.jpeg")), p3);
    EXPECT_EQ(test::readFile(file("inks.jpg.kept/0000.jpeg")), inks);
    EXPECT_EQ(ProbeImage(test::readFile(file("phone.heic.kept/0000.jpeg"))).format, "jpeg");
}

// A tool run must not change the desktop program's state: it reads no
// "MakeBackup" and records no "Last"/"FilePath"; --backup alone decides.
TEST_F(VqdtoolTest, CreateOverwritesWithABackupOnlyWhenAsked)
{
    const QString ini = configDir() + QStringLiteral("/morvex/Velquin.ini");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ini).absolutePath()));
    ASSERT_TRUE(test::writeFile(file("a.jpg"), test::makeJpeg(30, 20)));
    ASSERT_TRUE(test::writeFile(file("b.jpg"), test::makeJpeg(50, 40)));
    const struct {
        bool flag;
        int storedMakeBackup;
    } cases[] = {{false, 1}, {true, 0}, {true, 1}, {false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "--backup " << c.flag << ", MakeBackup " << c.storedMakeBackup);
        for (const char* name : {"doc.vqd", "doc(back).VQD"})
            QFile::remove(file(name));
        const QByteArray settings = QStringLiteral("[Last]\nFilePath=/elsewhere/old.vqd\n\n[SYS]\nMakeBackup=%1\n")
                                        .arg(c.storedMakeBackup)
                                        .toUtf8();
        ASSERT_TRUE(test::writeFile(ini, settings));

        ASSERT_EQ(run({"create", "doc.vqd", "a.jpg"}).exitCode, 0);
        const QByteArray old = test::readFile(file("doc.vqd"));
        ASSERT_FALSE(old.isEmpty());
        QStringList args{"create", "doc.vqd", "b.jpg"};
        if (c.flag)
            args.insert(1, QStringLiteral("--backup"));
        const ToolRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

        const QByteArray now = test::readFile(file("doc.vqd"));
        EXPECT_FALSE(now.isEmpty());
        EXPECT_NE(now, old);
        EXPECT_EQ(QFileInfo::exists(file("doc(back).VQD")), c.flag);
        if (c.flag) {
            EXPECT_EQ(test::readFile(file("doc(back).VQD")), old);
        }
        EXPECT_EQ(test::readFile(ini), settings);
    }
}

TEST_F(VqdtoolTest, CreateMakesNoSettingsFile)
{
    ASSERT_TRUE(test::writeFile(file("a.jpg"), test::makeJpeg(30, 20)));
    ASSERT_EQ(run({"create", "doc.vqd", "a.jpg"}).exitCode, 0);
    ASSERT_EQ(run({"create", "--backup", "doc.vqd", "a.jpg"}).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(file("doc(back).VQD")));
    const QStringList made = QDir(configDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_TRUE(made.isEmpty()) << made.join(',').toStdString();
}

TEST_F(VqdtoolTest, CreateRefusesMisplacedOrUnknownOptions)
{
    ASSERT_TRUE(test::writeFile(file("a.jpg"), test::makeJpeg(30, 20)));
    const QStringList cases[] = {
        {"create", "--backup", "doc.vqd"},
        {"create", "--bogus", "doc.vqd", "a.jpg"},
        {"create", "--backup", "--backup", "doc.vqd", "a.jpg"},
    };
    for (const QStringList& args : cases) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("usage:")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file("doc.vqd")));
}

TEST_F(VqdtoolTest, ErrorsAreOneLineAndLeaveNoFile)
{
    ASSERT_TRUE(test::writeFile(file("bad.png"), QByteArray("not an image")));
    const struct {
        QStringList args;
        const char* text;
    } cases[] = {
        {{"create", "new.vqd", "bad.png"}, "このイメージタイプはセットできません"},
        {{"create", "new.vqd", "missing.jpg"}, "このイメージタイプはセットできません"},
        {{"info", "missing.vqd"}, "ファイルが見つかりません"},
        {{"info", "bad.png"}, "ファイル形式が異なります"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_NE(r.exitCode, 0) << c.args.join(' ').toStdString();
        const QString err = QString::fromUtf8(r.err).trimmed();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.text))) << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 0) << err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file("new.vqd")));
    EXPECT_NE(run({"frobnicate"}).exitCode, 0);
}

// The tool writes what the program's export writes for the same choices.
TEST_F(VqdtoolTest, ExportWritesWhatTheProgramWrites)
{
    Document doc;
    test::BuildExportScene(doc);
    ASSERT_TRUE(SaveDocumentFile(file("scene.vqd"), doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));
    const struct {
        QStringList options;
        const char* out;
        float zoom;
        int overlap;
        QSize size;
    } cases[] = {
        {{}, "full.png", 1.0f, 1, {500, 500}},
        {{"--zoom", "0.5"}, "half.png", 0.5f, 1, {250, 250}},
        {{"--overlap", "off", "--zoom", "2"}, "plain.png", 2.0f, 0, {1000, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const ToolRun r = run(QStringList{"export", "scene.vqd", c.out} + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        SysSettings sys;
        sys.dspOverlap = c.overlap;
        const QString expected = file(QStringLiteral("expected-") + QString::fromUtf8(c.out));
        ASSERT_EQ(ExportCanvas(doc, sys, RangeMode{}, c.zoom, expected, ExportTarget{0, QStringLiteral("png")}, 100),
                  ExportResult::Saved);
        const QImage written(file(c.out));
        EXPECT_EQ(written.size(), c.size);
        EXPECT_EQ(written, QImage(expected));
    }
    // The marking in the overlap follows --overlap.
    EXPECT_TRUE(test::NearColour(QImage(file("full.png")).pixel(75, 75), Qt::yellow));
    EXPECT_TRUE(test::NearColour(QImage(file("plain.png")).pixel(150, 150), Qt::blue));
}

TEST_F(VqdtoolTest, ExportTypeComesFromTheExtensionOrTheBitmapFormat)
{
    Document doc;
    test::BuildExportScene(doc);
    ASSERT_TRUE(SaveDocumentFile(file("scene.vqd"), doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));
    const struct {
        QStringList args;
        const char* out;
        QByteArray format;
    } cases[] = {
        {{"--quality", "90"}, "a.jpg", "jpeg"},
        {{}, "b.jpeg", "jpeg"},
        {{}, "c.tif", "tiff"},
        {{}, "d.gif", "gif"},
        {{}, "e.bmp", "bmp"},
        {{"--bmp", "7"}, "f.bmp", "bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const ToolRun r = run(QStringList{"export", "scene.vqd", c.out} + c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QImageReader reader(file(c.out));
        EXPECT_EQ(reader.format(), c.format);
        EXPECT_EQ(reader.size(), QSize(500, 500));
    }
    const ToolRun low = run({"export", "scene.vqd", "low.jpg", "--quality", "10"});
    ASSERT_EQ(low.exitCode, 0);
    EXPECT_LT(QFileInfo(file("low.jpg")).size(), QFileInfo(file("a.jpg")).size());
}

TEST_F(VqdtoolTest, ExportRefusesWhatItCannotWrite)
{
    Document doc;
    test::BuildExportScene(doc);
    ASSERT_TRUE(SaveDocumentFile(file("scene.vqd"), doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));
    const struct {
        QStringList args;
        int exitCode;
    } cases[] = {
        {{"export", "scene.vqd", "out.txt"}, 1},
        {{"export", "scene.vqd", "out"}, 1},
        {{"export", "missing.vqd", "out.png"}, 1},
        {{"export", "scene.vqd", "out.png", "--zoom", "0"}, 2},
        {{"export", "scene.vqd", "out.png", "--quality", "101"}, 2},
        {{"export", "scene.vqd", "out.png", "--bmp", "9"}, 2},
        {{"export", "scene.vqd", "out.png", "--overlap", "maybe"}, 2},
        {{"export", "scene.vqd", "out.png", "--zoom"}, 2},
        {{"export", "scene.vqd"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_FALSE(r.err.isEmpty());
    }
    for (const char* name : {"out.txt", "out", "out.png"})
        EXPECT_FALSE(QFileInfo::exists(file(name))) << name;
}

TEST_F(VqdtoolTest, ExportNeverWritesOverTheDocumentItReads)
{
    Document doc;
    test::BuildExportScene(doc);
    ASSERT_TRUE(SaveDocumentFile(file("scene.vqd"), doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));
    QFile original(file("scene.vqd"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();
    ASSERT_TRUE(QDir(filesDir()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(file("scene.vqd"), file("alias.bmp")));
    ASSERT_EQ(::link(QFile::encodeName(file("scene.vqd")).constData(), QFile::encodeName(file("hard.png")).constData()), 0);

    const struct {
        QStringList args;
    } cases[] = {
        {{"export", "scene.vqd", "scene.vqd", "--bmp", "7"}},
        {{"export", "scene.vqd", "sub/../scene.vqd", "--bmp", "1"}},
        {{"export", "scene.vqd", file("scene.vqd"), "--bmp", "7"}},
        {{"export", "scene.vqd", "alias.bmp"}},
        {{"export", "scene.vqd", "hard.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("is the document being read")) << r.err.toStdString();
        QFile after(file("scene.vqd"));
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), bytes);
    }
    EXPECT_TRUE(QFileInfo(file("alias.bmp")).isSymLink());
}

// The zoom is held as the view holds it; an image beyond 10000 x 7500 is
// reported as too large, not as a failed allocation.
TEST_F(VqdtoolTest, ExportZoomIsBoundedAsTheViewBoundsIt)
{
    Document doc;
    test::BuildExportScene(doc);
    doc.state.canvasWidth = 4000;
    doc.state.canvasHeight = 3000;
    ASSERT_TRUE(SaveDocumentFile(file("wide.vqd"), doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));
    const struct {
        QStringList zoom;
        int exitCode;
        QByteArray err;
        QSize size;
    } cases[] = {
        {{"--zoom", "0.07"}, 2, "usage:", {}},
        {{"--zoom", "4.5"}, 2, "usage:", {}},
        {{"--zoom", "1e30"}, 2, "usage:", {}},
        {{"--zoom", "3"}, 1, "--zoom 3: the image would be 12000 x 9000 pixels, larger than 10000 x 7500", {}},
        {{"--zoom", "0.5"}, 0, "", {2000, 1500}},
        {{"--zoom", "0.08"}, 0, "", {320, 240}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom.join(' ').toStdString());
        QFile::remove(file("out.png"));
        const ToolRun r = run(QStringList{"export", "wide.vqd", "out.png"} + c.zoom);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_EQ(QImageReader(file("out.png")).size(), c.size.isEmpty() ? QSize(-1, -1) : c.size);
    }
}

} // namespace
} // namespace vq
