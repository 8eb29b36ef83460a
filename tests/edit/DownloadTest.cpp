#include "edit/Download.h"

#include "base/Prompter.h"
#include "model/WorkFolder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include <unistd.h>

namespace vq {
namespace {

using namespace std::chrono_literals;

// One canned answer of the test server.
struct Canned {
    QByteArray head;   // status line and headers, without the blank line
    QByteArray body;
    int delayMs = 0;   // wait this long before answering
    bool stall = false; // send the head and part of the body, then nothing
};

Canned reply(const QByteArray& status, const QByteArray& body, const QByteArray& extra = {}, bool declareLength = true)
{
    QByteArray head = "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extra;
    if (declareLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return {head, body};
}

// With the page servers send along, which must not end up in the file.
Canned redirect(const QByteArray& location)
{
    return reply("302 Found", "<html><a href=\"" + location + "\">moved</a></html>", "Location: " + location + "\r\n");
}

// A small HTTP server on 127.0.0.1 in the test's own thread: the download's
// event loop serves it while it waits.
class TinyHttpServer : public QObject {
public:
    TinyHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &TinyHttpServer::accept);
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    void route(const QByteArray& path, const Canned& answer) { m_routes.insert(path, answer); }
    [[nodiscard]] QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    [[nodiscard]] bool listening() const { return m_server.isListening(); }

    QList<QByteArray> requested; // request targets, in arrival order
    int connections = 0;

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
        const QByteArray target = requestLine.value(1);
        buffer.clear();
        requested << target;
        const Canned answer = m_routes.value(target, reply("404 Not Found", "<html>not found</html>"));
        QTimer::singleShot(answer.delayMs, socket, [socket, answer] { send(socket, answer); });
    }

    static void send(QTcpSocket* socket, const Canned& answer)
    {
        socket->write(answer.head + "\r\n");
        if (answer.stall) {
            socket->write(answer.body.left(answer.body.size() / 2));
            return;
        }
        socket->write(answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, Canned> m_routes;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

class DownloadTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        ASSERT_TRUE(server.listening());
        image = test::makeJpeg(16, 12);
    }

    [[nodiscard]] QStringList workFiles() const
    {
        return QDir(GetWorkFolder()).entryList(QDir::Files | QDir::Hidden);
    }

    // Downloads as the program does, showing what the download reported.
    QString download(const QString& url, const QString& ext, const DownloadLimits& limits = {})
    {
        Report failure;
        const QString path = DownloadToWorkFile(&failure, url, ext, limits);
        prompts.show(failure);
        return path;
    }

    void expectFailed(const QString& result)
    {
        EXPECT_TRUE(result.isEmpty());
        ASSERT_EQ(prompts.messageIds(), QList<int>{30076});
        EXPECT_EQ(prompts.messages[0].style, kStyleInfo);
        EXPECT_TRUE(prompts.messages[0].prefix.isEmpty());
        EXPECT_TRUE(workFiles().isEmpty()) << "no file is left behind";
    }

    test::ScriptedPrompter prompts;
    TinyHttpServer server;
    QByteArray image;
};

TEST_F(DownloadTest, AnImageArrivesWholeInAFileOfItsOwn)
{
    server.route("/pics/cat.jpg", reply("200 OK", image, "Content-Type: image/jpeg\r\n"));
    const QString first = download(server.url(QStringLiteral("/pics/cat.jpg")), QStringLiteral("jpeg"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(QFileInfo(first).absolutePath(), GetWorkFolder());
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith(QLatin1String("VQD")));
    EXPECT_TRUE(first.endsWith(QLatin1String(".jpeg")));
    EXPECT_EQ(test::readFile(first), image);

    // A second download of the same type leaves the first file alone.
    const QString second = download(server.url(QStringLiteral("/pics/cat.jpg")), QStringLiteral("jpeg"));
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(second, first);
    EXPECT_EQ(test::readFile(first), image);
    EXPECT_EQ(test::readFile(second), image);
}

TEST_F(DownloadTest, ABodyWithoutDeclaredLengthAndOneExactlyAtTheCapArrive)
{
    server.route("/open.png", reply("200 OK", image, {}, false));
    server.route("/exact.png", reply("200 OK", image));
    const DownloadLimits exact{30s, image.size()};
    EXPECT_EQ(test::readFile(download(server.url(QStringLiteral("/open.png")), QStringLiteral("png"), exact)), image);
    EXPECT_EQ(test::readFile(download(server.url(QStringLiteral("/exact.png")), QStringLiteral("png"), exact)), image);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DownloadTest, RedirectsWithinTheSameSchemeAreFollowed)
{
    server.route("/old.gif", redirect("/moved/new.gif"));
    server.route("/moved/new.gif", redirect(server.url(QStringLiteral("/final.gif")).toUtf8()));
    server.route("/final.gif", reply("200 OK", image));
    const QString path = download(server.url(QStringLiteral("/old.gif")), QStringLiteral("gif"));
    EXPECT_EQ(test::readFile(path), image);
    // Qt may send a GET again on a fresh connection when the server closes
    // the old one around its answer (HTTP allows retrying an idempotent
    // request), so a step can be seen twice; the chain itself must not change.
    QList<QByteArray> chain = server.requested;
    chain.erase(std::unique(chain.begin(), chain.end()), chain.end());
    EXPECT_EQ(chain, (QList<QByteArray>{"/old.gif", "/moved/new.gif", "/final.gif"}));
}

TEST_F(DownloadTest, AnAddressWithSpacesAndJapaneseIsRequestedEncoded)
{
    server.route("/%E7%94%BB%E5%83%8F%201.png", reply("200 OK", image));
    const QString path = download(server.url(QStringLiteral("/画像 1.png")), QStringLiteral("png"));
    EXPECT_EQ(test::readFile(path), image);
}

TEST_F(DownloadTest, TheWindowKeepsItsEventsButTheResultIsReadyOnReturn)
{
    Canned slow = reply("200 OK", image);
    slow.delayMs = 300;
    server.route("/slow.bmp", slow);
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    const QString path = download(server.url(QStringLiteral("/slow.bmp")), QStringLiteral("bmp"));
    EXPECT_TRUE(ticked) << "timers (and so painting) run during the download";
    EXPECT_EQ(test::readFile(path), image);
}

struct FailureCase {
    const char* name;
    Canned answer;
    DownloadLimits limits;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

Canned stalled()
{
    Canned c = reply("200 OK", QByteArray(4000, 'x'));
    c.stall = true;
    return c;
}

Canned trickled()
{
    Canned c = reply("200 OK", "\xFF\xD8\xFF\xE0 late");
    c.delayMs = 2000;
    return c;
}

class DownloadFailureTest : public DownloadTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DownloadFailureTest, FailsWithTheDownloadMessageAndLeavesNoFile)
{
    server.route("/x.png", GetParam().answer);
    expectFailed(download(server.url(QStringLiteral("/x.png")), QStringLiteral("png"), GetParam().limits));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DownloadFailureTest,
    ::testing::Values(
        FailureCase{"htmlPage", reply("200 OK", "<!DOCTYPE html><html>sorry</html>"), {}},
        FailureCase{"htmlAfterBomAndSpace", reply("200 OK", "\xEF\xBB\xBF\r\n  <html>"), {}},
        FailureCase{"emptyBody", reply("200 OK", {}), {}},
        FailureCase{"notFound", reply("404 Not Found", "\xFF\xD8\xFF not html either"), {}},
        FailureCase{"serverError", reply("500 Internal Server Error", "\xFF\xD8\xFF\xE0 image"), {}},
        FailureCase{"redirectWithoutTarget", reply("302 Found", "\xFF\xD8"), {}},
        FailureCase{"redirectToFile", redirect("file:///etc/hosts"), {}},
        FailureCase{"redirectToFtp", redirect("ftp://127.0.0.1/x.png"), {}},
        FailureCase{"redirectLoop", redirect("/x.png"), {}},
        FailureCase{"undeclaredOverCap", reply("200 OK", QByteArray(5000, 'x'), {}, false), {30s, 1000}},
        FailureCase{"stalls", stalled(), {300ms, 1 << 20}},
        FailureCase{"tooSlow", trickled(), {300ms, 1 << 20}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, ADeclaredOversizeBodyIsRefusedWithoutWaitingForIt)
{
    // Less than the cap arrives before the server stalls, so only the
    // declared length can end this before the timeout.
    Canned big = reply("200 OK", QByteArray(5000, 'x'));
    big.stall = true;
    server.route("/big.png", big);
    QElapsedTimer clock;
    clock.start();
    expectFailed(download(server.url(QStringLiteral("/big.png")), QStringLiteral("png"), {10s, 4000}));
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(DownloadTest, OtherSchemesAreRefusedWithoutARequest)
{
    const QString port = QString::number(QUrl(server.url({})).port());
    const QStringList refused{
        QStringLiteral("ftp://127.0.0.1:%1/x.png").arg(port),
        QStringLiteral("file:///etc/hosts"),
        QStringLiteral("javascript:alert(1)//x.png"),
        QStringLiteral("http:///x.png"),
        QString(),
    };
    for (const QString& url : refused) {
        SCOPED_TRACE(url.toStdString());
        prompts.messages.clear();
        expectFailed(download(url, QStringLiteral("png")));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0);
}

TEST_F(DownloadTest, AnUnreachableServerFails)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    expectFailed(download(QStringLiteral("http://127.0.0.1:%1/x.png").arg(port), QStringLiteral("png")));
}

TEST_F(DownloadTest, WithoutAWorkingFolderOnlyItsOwnMessageShows)
{
    const QString taken = tempDir() + QStringLiteral("/Velquin-%1").arg(::getuid());
    ASSERT_TRUE(test::writeFile(taken, "not a folder"));
    server.route("/x.png", reply("200 OK", image));
    EXPECT_TRUE(download(server.url(QStringLiteral("/x.png")), QStringLiteral("png")).isEmpty());
    EXPECT_EQ(prompts.messageIds(), QList<int>{30002});
    EXPECT_EQ(server.connections, 0);
}

TEST_F(DownloadTest, AnOddExtensionCannotReachOutsideTheName)
{
    server.route("/x.png", reply("200 OK", image));
    const QString path = download(server.url(QStringLiteral("/x.png")), QStringLiteral("../../evil"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).absolutePath(), GetWorkFolder());
    EXPECT_FALSE(path.contains(QLatin1String("evil")));
}

} // namespace
} // namespace vq
