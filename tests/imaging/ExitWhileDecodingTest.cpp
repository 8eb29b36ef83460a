// A program that leaves while the picture cache's workers decode, hash and
// keep previews leaves cleanly.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vq {
namespace {

TEST(ExitWhileDecoding, LeavesCleanlyWhateverTheWorkersAreDoing)
{
    // The moment of leaving falls differently each time.
    for (int run = 0; run < 8; ++run) {
        SCOPED_TRACE(run);
        QTemporaryDir previews;
        ASSERT_TRUE(previews.isValid());
        QProcess probe;
        probe.start(QStringLiteral(VELQUIN_EXIT_WHILE_DECODING_PROBE), {previews.path()});
        ASSERT_TRUE(probe.waitForFinished(60000));
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(probe.exitCode(), 0);
    }
}

} // namespace
} // namespace vq
