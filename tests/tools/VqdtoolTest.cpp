#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

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

} // namespace
} // namespace vq
