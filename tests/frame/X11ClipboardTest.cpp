// Another program must see what Velquin copies, and Velquin must take what
// another program copied: the real X clipboard, with xclip as the other side.
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace vq {
namespace {

class X11ClipboardTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "needs Xvfb and xclip";
        m_xvfb.setProgram(QStringLiteral("Xvfb"));
        m_xvfb.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("800x600x24")});
        m_xvfb.start();
        ASSERT_TRUE(m_xvfb.waitForStarted(5000));
        QByteArray number;
        while (!number.contains('\n') && m_xvfb.waitForReadyRead(10000))
            number += m_xvfb.readAllStandardOutput();
        ASSERT_TRUE(number.contains('\n')) << "Xvfb did not report its display";
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    }
    void TearDown() override
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
        IsolatedTest::TearDown();
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }
    QByteArray xclip(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xclip"), QStringList{QStringLiteral("-selection"), QStringLiteral("clipboard")}
                                             + arguments);
        EXPECT_TRUE(p.waitForStarted(5000));
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        // xclip -i stays behind to serve its selection; its output is done at once.
        if (!arguments.contains(QStringLiteral("-i")))
            EXPECT_TRUE(p.waitForFinished(10000));
        else
            p.waitForFinished(2000);
        return p.readAllStandardOutput();
    }
    void startProbe(QProcess& probe, const QStringList& arguments)
    {
        probe.setProcessEnvironment(environment());
        probe.start(QStringLiteral(VELQUIN_CLIPBOARD_PROBE), arguments);
        ASSERT_TRUE(probe.waitForStarted(5000));
    }

    QProcess m_xvfb;
    QString m_display;
};

TEST_F(X11ClipboardTest, AnotherProgramReadsTheCopiedPictureAndMarker)
{
    const QString jpeg = filesDir() + QStringLiteral("/photo.jpg");
    QDir().mkpath(filesDir());
    ASSERT_TRUE(test::writeFile(jpeg, test::makeJpeg(120, 80, QColor(20, 160, 220))));
    QProcess probe;
    startProbe(probe, {QStringLiteral("copy"), jpeg});
    QByteArray line;
    while (!line.contains('\n') && probe.waitForReadyRead(20000))
        line += probe.readAllStandardOutput();
    ASSERT_TRUE(line.startsWith("COPIED")) << line.constData() << probe.readAllStandardError().constData();

    const QByteArray targets = xclip({QStringLiteral("-t"), QStringLiteral("TARGETS"), QStringLiteral("-o")});
    EXPECT_TRUE(targets.contains("image/png")) << targets.constData();
    EXPECT_EQ(xclip({QStringLiteral("-o")}), QByteArray("[OBJ]"));
    const QImage png = QImage::fromData(xclip({QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")}),
                                        "PNG");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), QSize(120, 80));
    // Off the picture's black diagonal: the fill colour, JPEG-near.
    const QColor fill = png.pixelColor(100, 15);
    EXPECT_NEAR(fill.red(), 20, 24);
    EXPECT_NEAR(fill.green(), 160, 24);
    EXPECT_NEAR(fill.blue(), 220, 24);
    EXPECT_LT(qGray(png.pixel(60, 40)), 80) << "the diagonal";

    probe.closeWriteChannel();
    EXPECT_TRUE(probe.waitForFinished(10000));
}

TEST_F(X11ClipboardTest, APictureCopiedElsewhereIsPasted)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(250, 200, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    xclip({QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-i")}, png);

    QProcess probe;
    startProbe(probe, {QStringLiteral("paste")});
    ASSERT_TRUE(probe.waitForFinished(20000));
    const QByteArray out = probe.readAllStandardOutput();
    EXPECT_EQ(probe.exitCode(), 0) << out.constData() << probe.readAllStandardError().constData();
    EXPECT_EQ(out.trimmed(), QByteArray("PASTED 64 48 FROM_CLIP"));
}

} // namespace
} // namespace vq
