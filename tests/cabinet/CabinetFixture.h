#pragma once

#include "tests/support/Isolation.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFile>
#include <QString>
#include <QStringList>

#include <random>

namespace vq::test {

// Bytes that no compressor can shrink, the same for the same seed.
inline QByteArray RandomBytes(qsizetype size, unsigned seed = 1)
{
    QByteArray bytes(size, Qt::Uninitialized);
    std::mt19937 gen(seed);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(gen() & 0xFF);
    return bytes;
}

// Text-like bytes that compress well.
inline QByteArray TextBytes(qsizetype size)
{
    QByteArray bytes;
    bytes.reserve(size + 64);
    for (int line = 0; bytes.size() < size; ++line)
        bytes += "node " + QByteArray::number(line) + " at " + QByteArray::number(line * 37 % 1000) + "\n";
    bytes.truncate(size);
    return bytes;
}

class CabinetTest : public IsolatedTest {
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = filesDir() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
        return path;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Every file below `folder`, relative to it, sorted.
    static QStringList filesBelow(const QString& folder)
    {
        QStringList out;
        QDir base(folder);
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << base.relativeFilePath(it.next());
        out.sort();
        return out;
    }
};

} // namespace vq::test
