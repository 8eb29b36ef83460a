// Cabinets we write read back with our reader and with cabextract and gcab.
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

#include "tests/cabinet/CabinetFixture.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace vq::test {
namespace {

// How a payload's blocks should end up in the cabinet.
enum class Storage { Stored, Deflated, Mixed };

struct Payload {
    const char* name;
    QByteArray bytes;
    Storage storage;
};

void PrintTo(const Payload& p, std::ostream* os)
{
    *os << p.name << " (" << p.bytes.size() << " bytes)";
}

QList<Payload> Payloads()
{
    return {
        {"Empty", {}, Storage::Stored},
        {"OneByte", QByteArray("v"), Storage::Mixed},
        {"ExactlyOneBlock", RandomBytes(32768, 2), Storage::Stored},
        {"OneBlockAndOneByte", RandomBytes(32769, 3), Storage::Mixed},
        {"SeveralMegabytesRandom", RandomBytes(5 * 1024 * 1024 + 123, 4), Storage::Stored},
        {"CompressibleText", TextBytes(700 * 1000), Storage::Deflated},
        // Records followed by photographs: blocks of both kinds, and one mixed.
        {"TextThenRandom", TextBytes(50000) + RandomBytes(100000, 5), Storage::Mixed},
    };
}

std::string PayloadName(const ::testing::TestParamInfo<Payload>& info)
{
    return info.param.name;
}

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " is not installed; it is needed to check our cabinets";
        return {};
    }
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

class CabinetRoundTrip : public CabinetTest, public ::testing::WithParamInterface<Payload> {
protected:
    void SetUp() override
    {
        CabinetTest::SetUp();
        source = writeFile(QStringLiteral("data.bin"), GetParam().bytes);
        cabinet = root() + QStringLiteral("/doc.vqd");
        QString error;
        ASSERT_TRUE(WriteCabinet(cabinet, source, QStringLiteral("doc.vqd"), &error)) << error.toStdString();
    }

    QString source;
    QString cabinet;
};

TEST_P(CabinetRoundTrip, OurReaderRestoresTheBytes)
{
    const QString out = root() + QStringLiteral("/out");
    const ExtractResult r = ExtractCabinet(cabinet, out);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.written, QStringList{QStringLiteral("doc.vqd")});
    EXPECT_EQ(readFile(out + QStringLiteral("/doc.vqd")), GetParam().bytes);
}

TEST_P(CabinetRoundTrip, IncompressibleBlocksAreStoredAndTheRestDeflated)
{
    const qint64 size = QFileInfo(cabinet).size();
    const qint64 n = GetParam().bytes.size();
    const qint64 blocks = (n + 32767) / 32768;
    const qint64 headers = 36 + 8 + 16 + 8; // header, folder, file entry, "doc.vqd\0"
    switch (GetParam().storage) {
    case Storage::Stored:
        // Per block: 8 bytes of block header, "CK" and a 5-byte stored-block header.
        EXPECT_EQ(size, headers + n + 15 * blocks);
        break;
    case Storage::Deflated:
        EXPECT_LT(size, headers + n / 3);
        break;
    case Storage::Mixed:
        EXPECT_LE(size, headers + n + 15 * blocks);
        break;
    }
}

TEST_P(CabinetRoundTrip, CabextractListsTestsAndExtractsTheSameBytes)
{
    const ToolRun list = RunTool(QStringLiteral("cabextract"), {QStringLiteral("-l"), cabinet});
    EXPECT_EQ(list.exitCode, 0) << list.output.toStdString();
    const QRegularExpression row(QStringLiteral("^\\s*%1 \\|.*\\| doc\\.vqd$").arg(GetParam().bytes.size()),
                                 QRegularExpression::MultilineOption);
    EXPECT_TRUE(row.match(list.output).hasMatch()) << list.output.toStdString();

    const ToolRun test = RunTool(QStringLiteral("cabextract"), {QStringLiteral("-t"), cabinet});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_TRUE(test.output.contains(QStringLiteral("All done, no errors"))) << test.output.toStdString();

    const QString out = root() + QStringLiteral("/cabextract");
    const ToolRun extract = RunTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, cabinet});
    EXPECT_EQ(extract.exitCode, 0) << extract.output.toStdString();
    EXPECT_EQ(readFile(out + QStringLiteral("/doc.vqd")), GetParam().bytes);
}

TEST_P(CabinetRoundTrip, GcabListsAndExtractsTheSameBytes)
{
    const ToolRun list = RunTool(QStringLiteral("gcab"), {QStringLiteral("-l"), cabinet});
    EXPECT_EQ(list.exitCode, 0) << list.output.toStdString();
    EXPECT_TRUE(list.output.startsWith(QStringLiteral("doc.vqd")));

    const QString out = root() + QStringLiteral("/gcab");
    QDir().mkpath(out);
    const ToolRun extract = RunTool(QStringLiteral("gcab"), {QStringLiteral("-x"), QStringLiteral("-C"), out, cabinet});
    EXPECT_EQ(extract.exitCode, 0) << extract.output.toStdString();
    EXPECT_EQ(readFile(out + QStringLiteral("/doc.vqd")), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CabinetRoundTrip, ::testing::ValuesIn(Payloads()), PayloadName);

TEST_F(CabinetTest, SeveralMembersAcrossBlockBoundariesExtractEverywhereAlike)
{
    // Members straddle blocks, one is empty, one has a Japanese name.
    const QList<QPair<QString, QByteArray>> members = {
        {QStringLiteral("first.dat"), RandomBytes(40000, 8)},
        {QStringLiteral("empty.dat"), {}},
        {QStringLiteral("写真.vqd"), TextBytes(30000)},
        {QStringLiteral("last.vqd"), RandomBytes(70000, 9)},
    };
    QList<CabinetSource> sources;
    for (const auto& [name, bytes] : members)
        sources.append({writeFile(QStringLiteral("src-") + QString::number(sources.size()), bytes), name});
    const QString cabinet = root() + QStringLiteral("/multi.cab");
    QString error;
    ASSERT_TRUE(WriteCabinet(cabinet, sources, &error)) << error.toStdString();

    const QString ours = root() + QStringLiteral("/ours");
    const ExtractResult r = ExtractCabinet(cabinet, ours);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.written, (QStringList{QStringLiteral("first.dat"), QStringLiteral("empty.dat"),
                                      QStringLiteral("写真.vqd"), QStringLiteral("last.vqd")}));

    const QString viaCabextract = root() + QStringLiteral("/cabextract");
    const QString viaGcab = root() + QStringLiteral("/gcab");
    QDir().mkpath(viaGcab);
    EXPECT_EQ(RunTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), viaCabextract, cabinet}).exitCode, 0);
    EXPECT_EQ(RunTool(QStringLiteral("gcab"), {QStringLiteral("-x"), QStringLiteral("-C"), viaGcab, cabinet}).exitCode, 0);
    for (const auto& [name, bytes] : members) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(readFile(ours + QLatin1Char('/') + name), bytes);
        EXPECT_EQ(readFile(viaCabextract + QLatin1Char('/') + name), bytes);
        EXPECT_EQ(readFile(viaGcab + QLatin1Char('/') + name), bytes);
    }
}

TEST_F(CabinetTest, WriterRefusesWhatACabinetCannotHold)
{
    const QString source = writeFile(QStringLiteral("a.bin"), "abc");
    const QString cabinet = root() + QStringLiteral("/x.cab");
    const struct {
        const char* why;
        QList<CabinetSource> members;
    } cases[] = {
        {"no members", {}},
        {"empty name", {{source, QString()}}},
        {"name over 255 bytes", {{source, QString(256, QLatin1Char('n'))}}},
        {"missing source", {{filesDir() + QStringLiteral("/missing"), QStringLiteral("m")}}},
        {"source is a folder", {{filesDir(), QStringLiteral("m")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QString error;
        EXPECT_FALSE(WriteCabinet(cabinet, c.members, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(cabinet)) << "no partial cabinet is left behind";
    }
}

} // namespace
} // namespace vq::test
