// What the reader does with hostile, damaged and unusual cabinets.
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"
#include "model/cabinet/DosTime.h"
#include "model/cabinet/ReaderIo.h"
#include "model/cabinet/WriteBehind.h"

#include "tests/cabinet/CabinetFixture.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

namespace vq::test {
namespace {

TEST(SafeMemberFileName, KeepsOnlyAPlainFileName)
{
    const struct {
        QString member;
        QString expected;
    } cases[] = {
        {QStringLiteral("doc.vqd"), QStringLiteral("doc.vqd")},
        {QStringLiteral("../../evil"), QStringLiteral("evil")},
        {QStringLiteral("..\\..\\evil"), QStringLiteral("evil")},
        {QStringLiteral("/etc/passwd"), QStringLiteral("passwd")},
        {QStringLiteral("a\\b\\c.vqd"), QStringLiteral("c.vqd")},
        {QStringLiteral("C:\\Users\\x\\写真.vqd"), QStringLiteral("写真.vqd")},
        {QStringLiteral("folder/"), QStringLiteral("folder")},
        {QStringLiteral(".hidden"), QStringLiteral(".hidden")},
        {QStringLiteral("..."), QStringLiteral("...")},
        {QString(), QStringLiteral("unnamed")},
        {QStringLiteral("."), QStringLiteral("unnamed")},
        {QStringLiteral(".."), QStringLiteral("unnamed")},
        {QStringLiteral("a/.."), QStringLiteral("unnamed")},
        {QStringLiteral("/"), QStringLiteral("unnamed")},
        {QStringLiteral("\\\\"), QStringLiteral("unnamed")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeMemberFileName(c.member), c.expected) << c.member.toStdString();
}

TEST(SafeMemberFileName, ShortensToWholeCharactersWithin255Bytes)
{
    EXPECT_EQ(SafeMemberFileName(QString(300, QLatin1Char('a'))), QString(255, QLatin1Char('a')));
    // Three bytes each in UTF-8: 85 fit.
    EXPECT_EQ(SafeMemberFileName(QString(100, QChar(0x3042))), QString(85, QChar(0x3042)));
    // Four bytes each and two UTF-16 units: 63 fit, no half pair is left.
    QString faces;
    for (int i = 0; i < 70; ++i)
        faces += QString::fromUcs4(U"\U0001F600", 1);
    const QString shortened = SafeMemberFileName(faces);
    EXPECT_EQ(shortened.size(), 126);
    EXPECT_FALSE(shortened.back().isHighSurrogate());
}

TEST_F(CabinetTest, HostileMemberNamesStayInsideTheDestination)
{
    const QString source = writeFile(QStringLiteral("payload"), "pwned");
    QList<CabinetSource> members;
    for (const char* name : {"../../evil", "/etc/passwd-copy", "a\\b\\c.vqd", "..", "../sibling/x.vqd"})
        members.append({source, QString::fromLatin1(name)});
    const QString cabinet = filesDir() + QStringLiteral("/hostile.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, members));

    const QString dest = root() + QStringLiteral("/a/b/extract");
    const QStringList before = filesBelow(root());
    const ExtractResult r = ExtractCabinet(cabinet, dest);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.written, (QStringList{QStringLiteral("evil"), QStringLiteral("passwd-copy"), QStringLiteral("c.vqd"),
                                      QStringLiteral("unnamed"), QStringLiteral("x.vqd")}));

    QStringList after = filesBelow(root());
    for (const QString& f : before)
        after.removeOne(f);
    EXPECT_EQ(after, (QStringList{QStringLiteral("a/b/extract/c.vqd"), QStringLiteral("a/b/extract/evil"),
                                  QStringLiteral("a/b/extract/passwd-copy"), QStringLiteral("a/b/extract/unnamed"),
                                  QStringLiteral("a/b/extract/x.vqd")}));
    EXPECT_EQ(readFile(dest + QStringLiteral("/evil")), QByteArray("pwned"));
}

TEST_F(CabinetTest, ALinkInTheDestinationIsReplacedNotWrittenThrough)
{
    const QString outside = writeFile(QStringLiteral("precious"), "keep me");
    const QString cabinet = filesDir() + QStringLiteral("/link.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("new"), "new data"), QStringLiteral("doc.vqd")));
    const QString dest = root() + QStringLiteral("/extract");
    QDir().mkpath(dest);
    ASSERT_TRUE(QFile::link(outside, dest + QStringLiteral("/doc.vqd")));

    const ExtractResult r = ExtractCabinet(cabinet, dest);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(readFile(outside), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(dest + QStringLiteral("/doc.vqd")).isSymLink());
    EXPECT_EQ(readFile(dest + QStringLiteral("/doc.vqd")), QByteArray("new data"));
}

TEST_F(CabinetTest, AMemberNeverOverwritesTheCabinetBeingRead)
{
    // A document unpacked into its own folder, member named like the document.
    const QString folder = root() + QStringLiteral("/docs");
    QDir().mkpath(folder);
    const QString cabinet = folder + QStringLiteral("/doc.vqd");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("data"), TextBytes(5000)), QStringLiteral("doc.vqd")));
    const QByteArray original = readFile(cabinet);

    EXPECT_EQ(ExtractCabinet(cabinet, folder).status, ExtractStatus::Failed);
    EXPECT_EQ(readFile(cabinet), original);
}

// Local time zone for one test; the cabinet's stamps are local time.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old.isNull())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_old.constData(), 1);
        ::tzset();
    }

private:
    QByteArray m_old;
};

quint16 Read16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

TEST_F(CabinetTest, MemberCarriesLocalLastWriteTimeAndAttributesBackAndForth)
{
    ScopedTimeZone tokyo("Asia/Tokyo");
    const QString source = writeFile(QStringLiteral("data"), "stamped");
    // 2019-07-04 10:20:31 in Tokyo: odd seconds are kept to the two-second step below.
    const QDateTime written(QDate(2019, 7, 4), QTime(10, 20, 31), Qt::LocalTime);
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(written, QFileDevice::FileModificationTime));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(source).constData(), 0444), 0);
    const QString cabinet = root() + QStringLiteral("/stamp.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, source, QStringLiteral("doc.vqd")));

    // The file entry as stored: local wall-clock fields, read-only + archive.
    const QByteArray bytes = readFile(cabinet);
    const qsizetype entry = 36 + 8;
    EXPECT_EQ(Read16(bytes, entry + 10), (2019 - 1980) << 9 | 7 << 5 | 4);
    EXPECT_EQ(Read16(bytes, entry + 12), 10 << 11 | 20 << 5 | 30 / 2);
    EXPECT_EQ(Read16(bytes, entry + 14), 0x21);

    const QString dest = root() + QStringLiteral("/out");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round); // the second round replaces the read-only file of the first
        const ExtractResult r = ExtractCabinet(cabinet, dest);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        const QFileInfo info(dest + QStringLiteral("/doc.vqd"));
        EXPECT_EQ(info.lastModified(), written.addSecs(-1));
        EXPECT_EQ(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
    }
    EXPECT_TRUE(QFile::remove(dest + QStringLiteral("/doc.vqd"))) << "read-only files stay deletable";
}

TEST_F(CabinetTest, WritableSourceGivesAWritableMember)
{
    const QString cabinet = root() + QStringLiteral("/rw.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("data"), "x"), QStringLiteral("doc.vqd")));
    EXPECT_EQ(Read16(readFile(cabinet), 36 + 8 + 14), 0x20);
    ASSERT_TRUE(ExtractCabinet(cabinet, root() + QStringLiteral("/out")).ok());
    EXPECT_TRUE(QFileInfo(root() + QStringLiteral("/out/doc.vqd")).permissions() & QFile::WriteOwner);
}

TEST(DosTime, ConvertsLocalTimesAndClampsTheEnds)
{
    ScopedTimeZone tokyo("Asia/Tokyo");
    const auto local = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
    };
    const struct {
        QDateTime when;
        DosDateTime dos;
    } cases[] = {
        {local(1980, 1, 1, 0, 0, 0), {0x0021, 0x0000}},
        {local(2024, 2, 29, 23, 59, 59), {quint16(44 << 9 | 2 << 5 | 29), quint16(23 << 11 | 59 << 5 | 29)}},
        {local(1970, 1, 1, 9, 0, 0), {0x0021, 0x0000}},
        {local(2200, 1, 1, 0, 0, 0), {quint16(127 << 9 | 12 << 5 | 31), quint16(23 << 11 | 59 << 5 | 29)}},
        // The same instant given in UTC is converted to Tokyo's wall clock.
        {QDateTime(QDate(2019, 12, 31), QTime(20, 0, 0), Qt::UTC), {quint16(40 << 9 | 1 << 5 | 1), quint16(5 << 11)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(ToDosDateTime(c.when), c.dos);
    }
    EXPECT_EQ(FromDosDateTime({quint16(44 << 9 | 2 << 5 | 29), quint16(23 << 11 | 59 << 5 | 29)}),
              local(2024, 2, 29, 23, 59, 58));
    for (const DosDateTime bad : {DosDateTime{0, 0}, DosDateTime{quint16(1 << 5 | 32), 0}, DosDateTime{0x0021, quint16(24 << 11)},
                                  DosDateTime{quint16(13 << 5 | 1), 0}, DosDateTime{0x0021, quint16(60 << 5)}})
        EXPECT_FALSE(FromDosDateTime(bad).isValid()) << bad.date << " " << bad.time;
}

TEST_F(CabinetTest, DamagedInputFailsCleanly)
{
    const QByteArray data = RandomBytes(100000, 11) + TextBytes(100000);
    const QString cabinet = root() + QStringLiteral("/good.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("data"), data), QStringLiteral("doc.vqd")));
    const QByteArray good = readFile(cabinet);
    const qsizetype firstBlock = 36 + 8 + 16 + 8;

    const auto flip = [&](qsizetype at) {
        QByteArray b = good;
        b[at] = char(b[at] ^ 0x5A);
        return b;
    };
    const auto zeroChecksumsAndFlip = [&](qsizetype at) {
        // Without checksums the damage reaches the decompressor itself.
        QByteArray b = good;
        for (qsizetype block = firstBlock; block + 8 <= b.size();) {
            const qsizetype len = Read16(b, block + 4);
            for (int i = 0; i < 4; ++i)
                b[block + i] = 0;
            block += 8 + len;
        }
        b[at] = char(b[at] ^ 0x5A);
        return b;
    };
    const struct {
        const char* why;
        QByteArray bytes;
    } cases[] = {
        {"empty file", {}},
        {"text file", TextBytes(5000)},
        {"only the signature", good.left(4)},
        {"cut inside the header", good.left(30)},
        {"cut inside the file entry", good.left(50)},
        {"cut inside the first block", good.left(firstBlock + 1000)},
        {"cut before the last block", good.left(good.size() - 5000)},
        {"flipped stored data byte", flip(firstBlock + 500)},
        {"flipped deflated data byte", flip(good.size() - 700)},
        {"flipped block length", flip(firstBlock + 5)},
        {"wrong signature", flip(0)},
        {"no checksums, broken deflate stream", zeroChecksumsAndFlip(good.size() - 700)},
        {"no checksums, broken block signature", zeroChecksumsAndFlip(firstBlock + 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const QString path = writeFile(QStringLiteral("bad.cab"), c.bytes);
        EXPECT_EQ(ExtractCabinet(path, root() + QStringLiteral("/out")).status, ExtractStatus::Failed);
    }
    EXPECT_EQ(ExtractCabinet(root() + QStringLiteral("/missing.cab"), root() + QStringLiteral("/out")).status,
              ExtractStatus::Failed);
    EXPECT_EQ(ExtractCabinet(filesDir(), root() + QStringLiteral("/out")).status, ExtractStatus::Failed)
        << "a folder is not a cabinet";
}

TEST_F(CabinetTest, WriteLimitStopsAnOversizedCabinet)
{
    const QString cabinet = root() + QStringLiteral("/big.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("zeros"), QByteArray(1 << 20, '\0')), QStringLiteral("z")));
    ASSERT_LT(QFileInfo(cabinet).size(), 10000);
    EXPECT_EQ(ExtractCabinet(cabinet, root() + QStringLiteral("/a"), {.maxBytesWritten = 100000}).status,
              ExtractStatus::Failed);
    EXPECT_EQ(filesBelow(root() + QStringLiteral("/a")), QStringList());
    EXPECT_TRUE(ExtractCabinet(cabinet, root() + QStringLiteral("/b"), {.maxBytesWritten = 1 << 20}).ok());
}

TEST_F(CabinetTest, AMemberGetsNoMoreThanItDeclares)
{
    // The folder holds 100000 bytes; the member says it is the first 1000.
    const QByteArray data = TextBytes(100000);
    const QString cabinet = root() + QStringLiteral("/short.cab");
    ASSERT_TRUE(WriteCabinet(cabinet, writeFile(QStringLiteral("data"), data), QStringLiteral("doc.vqd")));
    QByteArray bytes = readFile(cabinet);
    const qsizetype sizeField = 36 + 8;
    for (int i = 0; i < 4; ++i)
        bytes[sizeField + i] = char((1000 >> (8 * i)) & 0xFF);
    writeFile(QStringLiteral("short.cab"), bytes);

    const QString out = root() + QStringLiteral("/out");
    const ExtractResult r = ExtractCabinet(filesDir() + QStringLiteral("/short.cab"), out);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(readFile(out + QStringLiteral("/doc.vqd")), data.left(1000));
}

TEST_F(CabinetTest, ReaderIoRefusesWritesPastEitherCap)
{
    const auto write = [](mspack_system* sys, mspack_file* f, int bytes) {
        QByteArray buffer(bytes, 'x');
        return sys->write(f, buffer.data(), bytes);
    };
    const QString a = root() + QStringLiteral("/a");
    const QString b = root() + QStringLiteral("/b");

    cab::ReaderIo io;
    mspack_system* sys = io.system();
    io.limits().perFile = 100;
    io.limits().total = 150;
    mspack_file* first = sys->open(sys, QFile::encodeName(a).constData(), MSPACK_SYS_OPEN_WRITE);
    ASSERT_TRUE(first);
    EXPECT_EQ(write(sys, first, 60), 60);
    EXPECT_EQ(write(sys, first, 41), -1) << "one byte past the file's cap";
    EXPECT_TRUE(io.limits().reached);
    EXPECT_EQ(write(sys, first, 40), 40) << "a refused write takes nothing from the cap";
    sys->close(first);

    io.limits().reached = false;
    mspack_file* second = sys->open(sys, QFile::encodeName(b).constData(), MSPACK_SYS_OPEN_WRITE);
    ASSERT_TRUE(second);
    EXPECT_EQ(write(sys, second, 51), -1) << "past what is left in all";
    EXPECT_TRUE(io.limits().reached);
    EXPECT_EQ(write(sys, second, 50), 50);
    sys->close(second);

    EXPECT_EQ(QFileInfo(a).size(), 100);
    EXPECT_EQ(QFileInfo(b).size(), 50);
    // Members are created, never written through an existing name.
    EXPECT_FALSE(sys->open(sys, QFile::encodeName(a).constData(), MSPACK_SYS_OPEN_WRITE));
}

TEST_F(CabinetTest, ReaderIoKeepsOrderAndPositionAcrossItsBuffers)
{
    // Writes and reads of every size around the buffers' megabyte, with
    // seeks and tells between them, give back exactly what went in.
    QByteArray data(3 * (1 << 20) + 12345, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 131 + i / 4096) & 0xFF);
    const QString path = root() + QStringLiteral("/io");
    cab::ReaderIo io;
    mspack_system* sys = io.system();
    mspack_file* out = sys->open(sys, QFile::encodeName(path).constData(), MSPACK_SYS_OPEN_WRITE);
    ASSERT_TRUE(out);
    const int writes[] = {8, 32768, 1, (1 << 20) - 7, 1 << 20, 5000, 2 << 20};
    qsizetype at = 0;
    for (int i = 0; at < data.size(); ++i) {
        const int n = int(std::min<qsizetype>(writes[i % std::size(writes)], data.size() - at));
        ASSERT_EQ(sys->write(out, data.data() + at, n), n);
        at += n;
        ASSERT_EQ(sys->tell(out), at);
    }
    sys->close(out);
    EXPECT_FALSE(io.writeFailed());
    ASSERT_EQ(readFile(path), data);

    mspack_file* in = sys->open(sys, QFile::encodeName(path).constData(), MSPACK_SYS_OPEN_READ);
    ASSERT_TRUE(in);
    QByteArray back(data.size(), '\0');
    const int reads[] = {8, 32760, (1 << 20) + 3, 1, 77777};
    at = 0;
    for (int i = 0; at < data.size(); ++i) {
        const int n = reads[i % std::size(reads)];
        const int got = sys->read(in, back.data() + at, n);
        ASSERT_EQ(got, int(std::min<qsizetype>(n, data.size() - at)));
        at += got;
        ASSERT_EQ(sys->tell(in), at);
    }
    EXPECT_EQ(back, data);
    EXPECT_EQ(sys->read(in, back.data(), 10), 0) << "at the end";
    // Back into what was read ahead, then on from there.
    ASSERT_EQ(sys->seek(in, -100, MSPACK_SYS_SEEK_END), 0);
    char tail[200];
    ASSERT_EQ(sys->read(in, tail, 200), 100);
    EXPECT_EQ(QByteArray(tail, 100), data.right(100));
    ASSERT_EQ(sys->seek(in, 1000, MSPACK_SYS_SEEK_START), 0);
    ASSERT_EQ(sys->read(in, tail, 10), 10);
    ASSERT_EQ(sys->seek(in, -20, MSPACK_SYS_SEEK_CUR), 0);
    EXPECT_EQ(sys->tell(in), 990);
    ASSERT_EQ(sys->read(in, tail, 20), 20);
    EXPECT_EQ(QByteArray(tail, 20), data.mid(990, 20));
    sys->close(in);
}

TEST(WriteBehind, AFailedWriteIsToldAndStopsTheRest)
{
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full here";
    {
        cab::WriteBehind behind(fd);
        const std::vector<std::uint8_t> chunk(300000, 7);
        bool refused = false;
        for (int i = 0; i < 40 && !refused; ++i)
            refused = !behind.write(chunk.data(), chunk.size());
        EXPECT_FALSE(behind.finish());
        EXPECT_FALSE(behind.write(chunk.data(), 1));
    }
    ::close(fd);
}

} // namespace
} // namespace vq::test
