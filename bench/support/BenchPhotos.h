#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace vq::bench {

// A photograph-like picture as JPEG at `quality`: gradients, soft shapes and
// sensor-like grain, so the stream is as costly to decode as a real one.
[[nodiscard]] QByteArray MakePhoto(QSize size, int seed, int quality = 90);

// The large test photographs: `count` JPEG files of `size` at quality 90 in
// `dir`, generated once and kept, since making a hundred 12-megapixel ones
// takes minutes. Their paths, in order; a file that is missing or no longer
// a readable JPEG of that size is made again.
[[nodiscard]] QStringList LargePhotoFiles(const QString& dir, int count, QSize size);

// Where the large photographs are kept unless a benchmark is told otherwise.
[[nodiscard]] QString DefaultPhotoCache();

[[nodiscard]] std::vector<QByteArray> ReadFiles(const QStringList& paths);

[[nodiscard]] double MsSince(const QElapsedTimer& timer);
// CPU time of every thread of the process, in milliseconds: on a busy machine
// it shows the work done where wall time mostly shows the wait for a core.
[[nodiscard]] double ProcessCpuMs();
// CPU time of the calling thread alone, in milliseconds.
[[nodiscard]] double ThreadCpuMs();
[[nodiscard]] double Median(std::vector<double> values);

} // namespace vq::bench
