#include "edit/Download.h"

#include "base/Report.h"
#include "model/WorkFolder.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>

namespace vq {

namespace {

constexpr int kMaxRedirects = 20;

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

// Never to another scheme (a redirect must not read a local file), and
// never from https down to http.
bool isAllowedRedirect(const QUrl& from, const QUrl& to)
{
    if (!isWebAddress(to))
        return false;
    const bool fromSecure = from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const bool toSecure = to.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    return toSecure || !fromSecure;
}

// The extension only decorates the file name, so anything that could reach
// outside the name (a "/", "..", the temporary-name pattern) is dropped.
QString safeSuffix(const QString& ext)
{
    const QString lower = ext.toLower();
    if (lower.isEmpty() || lower.size() > 8)
        return {};
    for (const QChar c : lower) {
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return {};
    }
    return QLatin1Char('.') + lower;
}

// An image never starts with "<"; a server's error or login page does, often
// behind white space or a byte-order mark.
bool looksLikeWebPage(QIODevice& file)
{
    if (!file.seek(0))
        return true;
    bool first = true;
    for (;;) {
        QByteArray chunk = file.read(4096);
        if (chunk.isEmpty())
            return true; // nothing but white space, or nothing at all
        if (first && chunk.startsWith("\xEF\xBB\xBF"))
            chunk.remove(0, 3);
        first = false;
        for (const char c : chunk) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                continue;
            return c == '<';
        }
    }
}

// Fetches `address` into `out`; true when a whole 2xx body arrived within
// the limits.
bool fetch(const QUrl& address, QIODevice& out, const DownloadLimits& limits)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = manager.get(request);
    QUrl current = address;

    bool failed = false;
    qint64 received = 0;
    const auto giveUp = [&] {
        failed = true;
        reply->abort();
    };
    const auto drain = [&] {
        if (failed)
            return;
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > limits.maxBytes || out.write(chunk) != chunk.size())
            giveUp();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        // Refuse a declared oversize body before any of it arrives.
        bool ok = false;
        const qint64 declared = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && declared > limits.maxBytes)
            giveUp();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, drain);
    // Qt's policy already refuses these; checking again keeps the rule here
    // whatever a Qt version does.
    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& target) {
        if (!isAllowedRedirect(current, target))
            return giveUp();
        current = target;
    });

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, giveUp);
    deadline.start(limits.timeout);
    // Paint and timer events go on, so the window stays drawn; input waits,
    // so no other command can run before this one has its file.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    drain();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return !failed && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
}

} // namespace

QString DownloadToWorkFile(Report* failure, const QString& url, const QString& ext, const DownloadLimits& limits)
{
    const auto fail = [failure] {
        Record(failure, {kMsgDownloadFailed, {}, kStyleInfo});
        return QString();
    };
    const QUrl address(url.trimmed(), QUrl::TolerantMode);
    if (!isWebAddress(address))
        return fail();
    const QString folder = GetWorkFolder({}, failure);
    if (folder.isEmpty())
        return {};
    // A name of its own for every download, so no other file is overwritten
    // and a failure leaves nothing behind; "VQD" lets the exit clean-up find
    // any the caller forgets.
    QTemporaryFile file(folder + QStringLiteral("/VQDXXXXXX") + safeSuffix(ext));
    if (!file.open())
        return fail();
    if (!fetch(address, file, limits) || !file.flush() || looksLikeWebPage(file))
        return fail();
    file.setAutoRemove(false);
    return file.fileName();
}

} // namespace vq
