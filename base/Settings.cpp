#include "base/Settings.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vq {

namespace {
QString keyPath(const char* section, const QString& name)
{
    return QString::fromLatin1(section) + QLatin1Char('/') + name;
}
QString keyPath(const SettingKey& key)
{
    return keyPath(key.section, QString::fromLatin1(key.name));
}
constexpr char kRecentSection[] = "Recent File List";
} // namespace

Settings::Settings()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("morvex"), QStringLiteral("Velquin")))
{
}

Settings::~Settings() = default;

int Settings::value(const SettingKey& key) const
{
    bool ok = false;
    const int v = m_settings->value(keyPath(key), key.defaultValue).toInt(&ok);
    return ok ? v : key.defaultValue;
}

void Settings::setValue(const SettingKey& key, int value)
{
    m_settings->setValue(keyPath(key), value);
}

QString Settings::text(const SettingKey& key) const
{
    return m_settings->value(keyPath(key)).toString();
}

void Settings::setText(const SettingKey& key, const QString& value)
{
    m_settings->setValue(keyPath(key), value);
}

int Settings::lastRect(int mode, const char* part, int fallback) const
{
    bool ok = false;
    const QString name = QStringLiteral("Rect%1%2").arg(mode).arg(QLatin1String(part));
    const int v = m_settings->value(keyPath("Last", name), fallback).toInt(&ok);
    return ok ? v : fallback;
}

void Settings::setLastRect(int mode, const char* part, int value)
{
    const QString name = QStringLiteral("Rect%1%2").arg(mode).arg(QLatin1String(part));
    m_settings->setValue(keyPath("Last", name), value);
}

QStringList Settings::recentFiles() const
{
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString f = m_settings->value(keyPath(kRecentSection, QStringLiteral("File%1").arg(i))).toString();
        if (!f.isEmpty())
            files << f;
    }
    return files;
}

void Settings::setRecentFiles(const QStringList& files)
{
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = keyPath(kRecentSection, QStringLiteral("File%1").arg(i));
        if (i <= files.size())
            m_settings->setValue(key, files.at(i - 1));
        else
            m_settings->remove(key);
    }
}

void Settings::addRecentFile(const QString& path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFileCount)
        files.removeLast();
    setRecentFiles(files);
}

void Settings::sync()
{
    m_settings->sync();
}

QString Settings::fileName() const
{
    return m_settings->fileName();
}

float MarginFromThousandths(int thousandths)
{
    return static_cast<float>(thousandths / 1000.0);
}

int MarginToThousandths(float margin)
{
    if (std::isnan(margin))
        return 0;
    const double thousandths = std::round(double(margin) * 1000.0);
    return static_cast<int>(std::clamp(thousandths, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

void SysSettings::read(const Settings& s)
{
    playAnime = s.value(keys::PlayAnime);
    speedAnime = s.value(keys::SpeedAnime);
    dspGuide = s.value(keys::DspGuide);
    dspOverlap = s.value(keys::DspOverlap);
    multiCntX = s.value(keys::MultiCntX);
    multiCntY = s.value(keys::MultiCntY);
    multiMarginX = MarginFromThousandths(s.value(keys::MultiMaX));
    multiMarginY = MarginFromThousandths(s.value(keys::MultiMaY));
    multiExt = s.value(keys::MultiExt);
    snap = s.value(keys::Snap);
}

void SysSettings::write(Settings& s) const
{
    s.setValue(keys::PlayAnime, playAnime);
    s.setValue(keys::SpeedAnime, speedAnime);
    s.setValue(keys::DspGuide, dspGuide);
    s.setValue(keys::DspOverlap, dspOverlap);
    s.setValue(keys::MultiCntX, multiCntX);
    s.setValue(keys::MultiCntY, multiCntY);
    s.setValue(keys::MultiMaX, MarginToThousandths(multiMarginX));
    s.setValue(keys::MultiMaY, MarginToThousandths(multiMarginY));
    s.setValue(keys::MultiExt, multiExt);
    s.setValue(keys::Snap, snap);
}


SystemPreferences ReadSystemPreferences(const Settings& settings, const SysSettings& sys)
{
    SystemPreferences prefs;
    prefs.firstOpen = settings.value(keys::FirstOpen) != 0;
    prefs.makeBackup = settings.value(keys::MakeBackup) != 0;
    prefs.playAnime = sys.playAnime;
    prefs.speedAnime = sys.speedAnime;
    prefs.dspGuide = sys.dspGuide != 0;
    return prefs;
}

void ApplySystemPreferences(const SystemPreferences& prefs, Settings& settings, SysSettings& sys)
{
    settings.setValue(keys::FirstOpen, prefs.firstOpen ? 1 : 0);
    if (prefs.playAnime != sys.playAnime) {
        sys.playAnime = prefs.playAnime;
        settings.setValue(keys::PlayAnime, sys.playAnime);
    }
    if (prefs.speedAnime != sys.speedAnime) {
        sys.speedAnime = prefs.speedAnime;
        settings.setValue(keys::SpeedAnime, sys.speedAnime);
    }
    settings.setValue(keys::MakeBackup, prefs.makeBackup ? 1 : 0);
    const int guide = prefs.dspGuide ? 1 : 0;
    if (guide != sys.dspGuide) {
        sys.dspGuide = guide;
        settings.setValue(keys::DspGuide, sys.dspGuide);
    }
}

void RemoveRecentFiles(Settings& settings, const QStringList& paths)
{
    QStringList files = settings.recentFiles();
    for (const QString& path : paths)
        files.removeAll(path);
    settings.setRecentFiles(files);
}

} // namespace vq
