#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>

class QObject;

namespace vq {

struct Report;

struct DownloadLimits {
    // For the whole transfer: the window takes no input meanwhile, so a
    // server that stalls must not hold the program for long.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    qint64 maxBytes = qint64(256) * 1024 * 1024;
};

// Downloads an http or https address into a new file of the working folder
// (named "VQD…" + "." + `ext`) and returns its path; the caller removes it
// when done. Redirects are followed from http to http or https and from https
// to https only. Another scheme, a network or HTTP error, the time or size
// limit, an empty body or a web page instead of an image (a body starting
// with "<") fail with the download-failed report and leave no file. Without a
// working folder the result is empty with that folder's own report. Either
// goes to `failure`, when given.
// The window keeps painting while this runs, but takes no input, and the
// download is complete when this returns.
[[nodiscard]] QString DownloadToWorkFile(Report* failure, const QString& url, const QString& ext,
                                         const DownloadLimits& limits = {});

} // namespace vq
