#include "edit/UrlDrop.h"

#include "base/Prompter.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <utility>

namespace vq {
namespace {

const QString kAddress = QStringLiteral(
    "https://www.google.co.jp/imgres?imgurl=https%3A%2F%2Fexample.com%2Fimg%2Fcat.png"
    "&imgrefurl=https%3A%2F%2Fexample.com%2F");

QString repeated(const QString& piece, int times)
{
    QString out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Drop data as the platform hands it over: the URL list exactly as the
// dropping program wrote it. (QMimeData::setData would parse the list into
// QUrls, which rewrite escapes in upper case.)
class PlatformDropData : public QMimeData {
public:
    explicit PlatformDropData(QByteArray uriList) : m_uriList(std::move(uriList)) {}

    [[nodiscard]] bool hasFormat(const QString& mimeType) const override
    {
        return mimeType == kUriList || QMimeData::hasFormat(mimeType);
    }
    [[nodiscard]] QStringList formats() const override { return QMimeData::formats() << kUriList; }

protected:
    [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        return mimeType == kUriList ? QVariant(m_uriList) : QMimeData::retrieveData(mimeType, type);
    }

private:
    inline static const QString kUriList = QStringLiteral("text/uri-list");
    QByteArray m_uriList;
};

// --- DecodeUrl --------------------------------------------------------------

struct DecodeCase {
    const char* name;
    QString text;
    QString expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeUrlTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeUrlTest, Decodes)
{
    EXPECT_EQ(DecodeUrl(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, DecodeUrlTest,
    ::testing::Values(
        DecodeCase{"plain", QStringLiteral("http://a/b c"), QStringLiteral("http://a/b c")},
        DecodeCase{"ascii", QStringLiteral("http%3A%2F%2Fa.example%2Fx.png"), QStringLiteral("http://a.example/x.png")},
        DecodeCase{"lowerHex", QStringLiteral("a%2fb%3a"), QStringLiteral("a/b:")},
        DecodeCase{"utf8", QStringLiteral("a%e3%81%82b"), QStringLiteral("aあb")},
        DecodeCase{"utf8LowerTrail", QStringLiteral("%e3%82%a2"), QStringLiteral("ア")},
        // Read back through Shift-JIS, the wave dash comes out as the full-width tilde.
        DecodeCase{"utf8ThroughShiftJis", QStringLiteral("%e3%80%9c"), QStringLiteral("～")},
        DecodeCase{"utf8NotInShiftJis", QStringLiteral("x%e3%82%94y"), QStringLiteral("x y")},
        DecodeCase{"utf8Invalid", QStringLiteral("%e3%41%41"), QStringLiteral(" ")},
        DecodeCase{"utf8CutShort", QStringLiteral("ab%e3%81%8"), QString()},
        DecodeCase{"utf8NotEscapes", QStringLiteral("%e3%81x%82"), QString()},
        DecodeCase{"shiftJisPair", QStringLiteral("%82%A0%82%a2"), QStringLiteral("あい")},
        // Upper-case "%E3" is a Shift-JIS lead byte, not UTF-8: its pair
        // reads as a kanji and the lone "%82" lead that follows spoils all.
        DecodeCase{"upperE3IsShiftJis", QStringLiteral("%E3%81%82%A0"), QStringLiteral("縺あ")},
        DecodeCase{"upperE3LoneLead", QStringLiteral("%E3%81%82"), QString()},
        DecodeCase{"leadWithoutTrail", QStringLiteral("%82abcdef"), QString()},
        DecodeCase{"leadCutShort", QStringLiteral("%82%A"), QString()},
        DecodeCase{"halfWidthKana", QStringLiteral("%B1"), QStringLiteral("ｱ")},
        DecodeCase{"strayPercent", QStringLiteral("100%.png"), QStringLiteral("100%.png")},
        DecodeCase{"percentAtEnd", QStringLiteral("ab%4"), QString()},
        DecodeCase{"nulEnds", QStringLiteral("A%00B"), QStringLiteral("A")},
        DecodeCase{"empty", QString(), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

// --- FindEmbeddedImageUrl ---------------------------------------------------

struct EmbeddedCase {
    const char* name;
    QString url;
    QString ext;
    QString expected;
};

void PrintTo(const EmbeddedCase& c, std::ostream* os) { *os << c.name; }

class FindEmbeddedImageUrlTest : public ::testing::TestWithParam<EmbeddedCase> {};

TEST_P(FindEmbeddedImageUrlTest, Finds)
{
    EXPECT_EQ(FindEmbeddedImageUrl(GetParam().url, GetParam().ext), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, FindEmbeddedImageUrlTest,
    ::testing::Values(
        EmbeddedCase{"searchResult", kAddress, QStringLiteral("png"), QStringLiteral("https://example.com/img/cat.png")},
        EmbeddedCase{"extensionAbsent", kAddress, QStringLiteral("gif"), QString()},
        EmbeddedCase{"noWebAddress", QStringLiteral("ftp://a/x.png?y"), QStringLiteral("png"), QString()},
        EmbeddedCase{"caseKept", QStringLiteral("HTTP://A/X.PNG?size=2"), QStringLiteral("png"), QStringLiteral("HTTP://A/X.PNG")},
        // Cut at the first ".jpg", then the last address before it.
        EmbeddedCase{"lastAddressBeforeFirstExtension",
                     QStringLiteral("http://a/?u=https://b/c.jpg&v=http://d/e.jpg"), QStringLiteral("jpg"),
                     QStringLiteral("https://b/c.jpg")},
        EmbeddedCase{"doublyEncoded", QStringLiteral("http://a/?u=http%253A%252F%252Fb%252Fc.bmp&x=1"),
                     QStringLiteral("bmp"), QStringLiteral("http://b/c.bmp")},
        EmbeddedCase{"japaneseName", QStringLiteral("http://s/?u=http%3A%2F%2Fb%2F%e3%81%82.jpeg&z"),
                     QStringLiteral("jpeg"), QStringLiteral("http://b/あ.jpeg")},
        EmbeddedCase{"strayPercentEnds", QStringLiteral("http://a/100%.png?x"), QStringLiteral("png"),
                     QStringLiteral("http://a/100%.png")},
        EmbeddedCase{"undecodable", QStringLiteral("http://a/%82x.png?x"), QStringLiteral("png"), QString()},
        // The search gives up after 100 hits, so the 100th address counts.
        EmbeddedCase{"hundredHits", repeated(QStringLiteral("http://h/"), 100) + QStringLiteral("http://z/x.png"),
                     QStringLiteral("png"), QStringLiteral("http://h/http://z/x.png")}),
    [](const auto& info) { return std::string(info.param.name); });

// --- ImageTypeFromUrl -------------------------------------------------------

struct TypeCase {
    const char* name;
    QString url;
    QString expectedUrl;
    QString expectedType;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class ImageTypeFromUrlTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ImageTypeFromUrlTest, Types)
{
    const UrlImage found = ImageTypeFromUrl(GetParam().url);
    EXPECT_EQ(found.type, GetParam().expectedType);
    EXPECT_EQ(found.url, GetParam().expectedUrl);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ImageTypeFromUrlTest,
    ::testing::Values(
        TypeCase{"upperJpg", QStringLiteral("http://a/b.JPG"), QStringLiteral("http://a/b.JPG"), QStringLiteral("jpeg")},
        TypeCase{"jpeg", QStringLiteral("http://a/b.jpeg"), QStringLiteral("http://a/b.jpeg"), QStringLiteral("jpeg")},
        TypeCase{"tiff", QStringLiteral("http://a/b.Tiff"), QStringLiteral("http://a/b.Tiff"), QStringLiteral("tiff")},
        TypeCase{"tif", QStringLiteral("http://a/b.tif"), QStringLiteral("http://a/b.tif"), QStringLiteral("tiff")},
        TypeCase{"gif", QStringLiteral("http://a/b.gif"), QStringLiteral("http://a/b.gif"), QStringLiteral("gif")},
        TypeCase{"bmp", QStringLiteral("http://a/b.bmp"), QStringLiteral("http://a/b.bmp"), QStringLiteral("bmp")},
        TypeCase{"png", QStringLiteral("http://a/b.png"), QStringLiteral("http://a/b.png"), QStringLiteral("png")},
        TypeCase{"shortText", QStringLiteral("x.png"), QStringLiteral("x.png"), QStringLiteral("png")},
        TypeCase{"queryCut", QStringLiteral("http://a/b.png?w=1"), QStringLiteral("http://a/b.png"), QStringLiteral("png")},
        TypeCase{"searchResult", kAddress, QStringLiteral("https://example.com/img/cat.png"), QStringLiteral("png")},
        // "jpeg" is looked for before "png", wherever each stands.
        TypeCase{"searchOrder", QStringLiteral("http://a/b.png?x=http://c/d.jpeg&y"), QStringLiteral("http://c/d.jpeg"),
                 QStringLiteral("jpeg")},
        TypeCase{"embeddedTif", QStringLiteral("http://a/b.tif?x"), QStringLiteral("http://a/b.tif"), QStringLiteral("tiff")},
        TypeCase{"embeddedJpg", QStringLiteral("http://a/b.jpg.html"), QStringLiteral("http://a/b.jpg"), QStringLiteral("jpeg")},
        TypeCase{"page", QStringLiteral("http://a/page.html"), QStringLiteral("http://a/page.html"), QString()},
        TypeCase{"empty", QString(), QString(), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Drops ------------------------------------------------------------------

// A folder with one file of each kind a drop may hold.
class DropTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        ASSERT_TRUE(test::writeFile(path("a.png"), test::makeJpeg(4, 4)));
        ASSERT_TRUE(test::writeFile(path("b.JPG"), test::makeJpeg(4, 4)));
        ASSERT_TRUE(test::writeFile(path("notes.txt"), "text"));
        ASSERT_TRUE(QDir().mkpath(path("folder.jpg")));
    }

    [[nodiscard]] QString path(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }

    [[nodiscard]] QStringList mixedFiles() const
    {
        return {path("notes.txt"), path("folder.jpg"), path("missing.gif"), path("a.png"), path("b.JPG")};
    }

    // Drop data as a program puts it: the URL list raw, as written.
    static std::unique_ptr<QMimeData> drop(const QStringList& uris, bool withImage = false)
    {
        std::unique_ptr<QMimeData> data;
        if (uris.isEmpty())
            data = std::make_unique<QMimeData>();
        else
            data = std::make_unique<PlatformDropData>((uris.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        if (withImage) {
            QImage image(3, 2, QImage::Format_RGB32);
            image.fill(Qt::red);
            data->setImageData(image);
        }
        return data;
    }

    [[nodiscard]] QStringList fileUris(const QStringList& paths) const
    {
        QStringList uris;
        for (const QString& p : paths)
            uris << QUrl::fromLocalFile(p).toString(QUrl::FullyEncoded);
        return uris;
    }

    static QStringList pathsOf(const QList<ImageFile>& files)
    {
        QStringList out;
        for (const ImageFile& f : files)
            out << f.path;
        return out;
    }

    test::ScriptedPrompter prompts;
    DropHandler target;
};

TEST_F(DropTest, AcceptedFilesKeepOrderAndSkipFoldersMissingFilesAndOtherTypes)
{
    const QList<ImageFile> all = AcceptedImageFiles(mixedFiles());
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].path, path("a.png"));
    EXPECT_EQ(all[0].type, QStringLiteral("png"));
    EXPECT_EQ(all[1].path, path("b.JPG"));
    EXPECT_EQ(all[1].type, QStringLiteral("jpeg"));

    EXPECT_EQ(pathsOf(AcceptedImageFiles(mixedFiles(), true)), QStringList{path("a.png")});
    EXPECT_TRUE(AcceptedImageFiles({}).isEmpty());
}

TEST_F(DropTest, AnImageAddressIsDownloadedDecodedBeforeAnythingElseInTheDrop)
{
    const QString address = QStringLiteral("http://a.example/%e3%81%82%20x.PNG");
    auto data = drop(QStringList{address} + fileUris({path("a.png")}), true);
    const DropDecision d = target.OnDrop(*data, false);
    EXPECT_EQ(d.kind, DropKind::Url);
    EXPECT_EQ(d.url, QStringLiteral("http://a.example/あ x.PNG"));
    EXPECT_EQ(d.type, QStringLiteral("png"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DropTest, AnAddressWithoutImageTypeGoesWithTheImageAsItsSource)
{
    const QString address = QStringLiteral("http://a.example/page.html");
    const DropDecision d = target.OnDrop(*drop({address}, true), false);
    EXPECT_EQ(d.kind, DropKind::Image);
    EXPECT_EQ(d.source, address);
    EXPECT_EQ(d.image.size(), QSize(3, 2));

    const DropDecision bare = target.OnDrop(*drop({}, true), false);
    EXPECT_EQ(bare.kind, DropKind::Image);
    EXPECT_TRUE(bare.source.isEmpty());
}

TEST_F(DropTest, FilesAloneAreAddedOrReplaceWithTheFirstImage)
{
    const DropDecision add = target.OnDrop(*drop(fileUris(mixedFiles())), false);
    EXPECT_EQ(add.kind, DropKind::Files);
    EXPECT_TRUE(add.files.handled);
    EXPECT_EQ(pathsOf(add.files.images), (QStringList{path("a.png"), path("b.JPG")}));

    const DropDecision replace = target.OnDrop(*drop(fileUris(mixedFiles())), true);
    EXPECT_EQ(pathsOf(replace.files.images), QStringList{path("a.png")});

    // Nothing usable still counts as a drop: on a node it asks, then fails to load.
    const DropDecision none = target.OnDrop(*drop(fileUris({path("notes.txt"), path("folder.jpg")})), true);
    EXPECT_EQ(none.kind, DropKind::Files);
    EXPECT_TRUE(none.files.handled);
    EXPECT_TRUE(none.files.images.isEmpty());
}

TEST_F(DropTest, FilesThatComeWithABrowserAddressAreNotAddedToo)
{
    const QString address = QStringLiteral("http://a.example/page.html");
    const DropDecision d = target.OnDrop(*drop(QStringList{address} + fileUris({path("a.png")})), false);
    EXPECT_EQ(d.kind, DropKind::Ignore);
    EXPECT_TRUE(target.PendingDropText().isEmpty()) << "the guard is used up by that drop";
}

TEST_F(DropTest, TheFileNotificationOfABrowserDropIsIgnoredOnce)
{
    const QString address = QStringLiteral("http://a.example/cat.png");
    ASSERT_EQ(target.OnDrop(*drop({address}), false).kind, DropKind::Url);
    EXPECT_EQ(target.PendingDropText(), address);

    EXPECT_FALSE(target.OnDropFiles({path("a.png")}, false).handled);
    EXPECT_TRUE(target.PendingDropText().isEmpty());
    const FileDrop next = target.OnDropFiles({path("a.png")}, false);
    EXPECT_TRUE(next.handled);
    EXPECT_EQ(pathsOf(next.images), QStringList{path("a.png")});
}

TEST_F(DropTest, AnEarlierBrowserDropDoesNotSwallowTheNextFileDrop)
{
    ASSERT_EQ(target.OnDrop(*drop({QStringLiteral("http://a.example/page.html")}), false).kind, DropKind::Ignore);
    const DropDecision files = target.OnDrop(*drop(fileUris({path("a.png")})), false);
    EXPECT_EQ(files.kind, DropKind::Files);
    EXPECT_EQ(pathsOf(files.files.images), QStringList{path("a.png")});
}

TEST_F(DropTest, AddingFilesClearsThePendingAddress)
{
    ASSERT_EQ(target.OnDrop(*drop({QStringLiteral("http://a.example/cat.gif")}), false).kind, DropKind::Url);
    target.ClearPendingDropText();
    EXPECT_TRUE(target.OnDropFiles({path("a.png")}, false).handled);
}

TEST_F(DropTest, TextAloneOrNothingIsIgnored)
{
    QMimeData text;
    text.setText(QStringLiteral("http://a.example/cat.png"));
    EXPECT_EQ(target.OnDrop(text, false).kind, DropKind::Ignore);
    EXPECT_EQ(target.OnDrop(QMimeData(), false).kind, DropKind::Ignore);
    EXPECT_FALSE(target.OnDropFiles({}, false).handled);
}

TEST_F(DropTest, MoreThan9999FilesAreCutTo10000WithAMessage)
{
    // As the program shows a drop's report.
    const auto drop = [&](const QStringList& files) {
        FileDrop dropped = target.OnDropFiles(files, false);
        if (dropped.tooMany)
            prompts.show(*dropped.tooMany);
        return dropped;
    };
    QStringList paths(kMaxFilesAtOnce, path("missing.gif"));
    paths[kMaxFilesAtOnce - 1] = path("a.png");
    paths << path("b.JPG");
    const FileDrop cut = drop(paths);
    EXPECT_EQ(pathsOf(cut.images), QStringList{path("a.png")}) << "the 10001st file is left out";
    ASSERT_EQ(prompts.messageIds(), QList<int>{30109});
    EXPECT_EQ(prompts.messages[0].prefix, QStringLiteral("最大 10000 個\n"));
    EXPECT_EQ(prompts.messages[0].style, kStyleInfo);

    prompts.messages.clear();
    paths.resize(kMaxFilesAtOnce);
    EXPECT_EQ(drop(paths).images.size(), 1);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30109}) << "10000 already counts as more than 9999";

    prompts.messages.clear();
    paths.resize(kMaxFilesAtOnce - 1);
    EXPECT_TRUE(drop(paths).images.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(DroppedUrlListTest, TheAddressIsTheFirstNonFileLineAsWritten)
{
    const PlatformDropData data("# comment\r\nfile:///tmp/a.png\r\n\r\n http://a/%e3%81%82.png \r\nhttp://b/c.png\r\n");
    EXPECT_EQ(DroppedUrlText(data), QStringLiteral("http://a/%e3%81%82.png"));
    EXPECT_EQ(DroppedLocalFiles(data), QStringList{QStringLiteral("/tmp/a.png")});

    const PlatformDropData filesOnly("file:///tmp/a.png\r\n");
    EXPECT_TRUE(DroppedUrlText(filesOnly).isEmpty());
}

TEST(DroppedUrlListTest, LocalFilesExcludeOtherMachines)
{
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("file://otherhost/etc/passwd")), QUrl(QStringLiteral("file://localhost/tmp/x.png")),
                  QUrl(QStringLiteral("http://a/b.png")), QUrl::fromLocalFile(QStringLiteral("/tmp/日本 語.png"))});
    EXPECT_EQ(DroppedLocalFiles(data), (QStringList{QStringLiteral("/tmp/x.png"), QStringLiteral("/tmp/日本 語.png")}));
}

} // namespace
} // namespace vq
