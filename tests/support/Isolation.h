#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vq::test {

// Points XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_CACHE_HOME, TMPDIR and QSettings at a fresh
// temporary folder, so no test reads or writes the developer's own settings or working folder.
class IsolatedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] QString root() const { return m_root->path(); }
    [[nodiscard]] QString tempDir() const { return m_root->path() + QStringLiteral("/tmp"); }
    [[nodiscard]] QString configDir() const { return m_root->path() + QStringLiteral("/config"); }
    // XDG_STATE_HOME: the recovery copies go below it. Made on demand.
    [[nodiscard]] QString stateDir() const { return m_root->path() + QStringLiteral("/state"); }
    // XDG_CACHE_HOME. The kept previews choose their folder once per process,
    // so a suite sees the one in force at its first use. Made on demand.
    [[nodiscard]] QString cacheDir() const { return m_root->path() + QStringLiteral("/cache"); }
    // A writable folder for the test's own files, outside the working folder.
    [[nodiscard]] QString filesDir() const { return m_root->path() + QStringLiteral("/files"); }

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_oldCwd;
};

} // namespace vq::test
