// Feeds arbitrary bytes to the cabinet reader as a document file and extracts
// whatever it holds into a scratch folder.
#include "model/cabinet/CabinetReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Scratch {
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/fuzz_cabinet-XXXXXX")};
    QString cabinet = root.path() + QStringLiteral("/input.vqd");
    QString out = root.path() + QStringLiteral("/out");
};

Scratch& scratch()
{
    static Scratch s;
    if (!s.root.isValid())
        std::abort();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Scratch& s = scratch();
    {
        QFile f(s.cabinet);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    // A few kilobytes of deflate can describe gigabytes of output; the cap
    // keeps each run short without hiding anything from the reader's logic.
    const vq::ExtractResult r = vq::ExtractCabinet(s.cabinet, s.out, {.maxBytesWritten = 16 << 20});
    if (r.ok() && r.written.isEmpty())
        std::abort(); // success must mean at least one member was written
    for (const QString& name : r.written) {
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
            std::abort(); // a member name escaped as a path
    }
    // Nothing may appear beside the input and the output folder.
    const QStringList entries = QDir(s.root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        if (e != QLatin1String("input.vqd") && e != QLatin1String("out"))
            std::abort();
    }
    QDir(s.out).removeRecursively();
    return 0;
}
