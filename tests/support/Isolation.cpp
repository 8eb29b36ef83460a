#include "tests/support/Isolation.h"

#include <QDir>
#include <QSettings>

#include <cstdlib>

namespace vq::test {

void IsolatedTest::SetUp()
{
    m_oldCwd = QDir::currentPath();
    m_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velquin-test-XXXXXX"));
    ASSERT_TRUE(m_root->isValid());
    QDir().mkpath(tempDir());
    QDir().mkpath(configDir());
    QDir().mkpath(filesDir());
    ::setenv("TMPDIR", QFile::encodeName(tempDir()).constData(), 1);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(configDir()).constData(), 1);
    ::setenv("XDG_STATE_HOME", QFile::encodeName(stateDir()).constData(), 1);
    ::setenv("XDG_CACHE_HOME", QFile::encodeName(cacheDir()).constData(), 1);
    // QSettings reads its folders once per process; point it here explicitly.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir());
}

void IsolatedTest::TearDown()
{
    QDir::setCurrent(m_oldCwd);
    m_root.reset();
}

} // namespace vq::test
