#pragma once

// What the fuzz targets share: a failed check ends the run as a crash the
// fuzzer records, and inputs reach the readers through a file, as they do in
// the program.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace vq::fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Writes the input to one file kept for the whole run and returns its path.
inline QString inputFile(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/input");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    out.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

} // namespace vq::fuzz
