#include "shell/ShellUtilities.h"

#include "view/Prompts.h"
#include "base/Prompter.h"
#include "base/TextUtil.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace vq {

namespace {
UrlOpener& opener()
{
    static UrlOpener current = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return current;
}
} // namespace

UrlOpener setUrlOpener(UrlOpener next)
{
    UrlOpener previous = opener();
    opener() = next ? std::move(next) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return previous;
}

bool OpenUrl(const QUrl& url)
{
    return opener()(url);
}

bool ShowFolderInExplorer(const QString& filePath, QObject* owner)
{
    const QString folder = FolderOf(filePath);
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || !opener()(QUrl::fromLocalFile(folder))) {
        ShowMessage(kMsgFileManagerFailed, owner, {}, kStyleError);
        return false;
    }
    return true;
}

QString ChooseFolder(const QString& initial, QObject* owner)
{
    const QString start = initial.isEmpty() || !QFileInfo(initial).isDir() ? QDir::homePath() : initial;
    return prompter().chooseFolder(QStringLiteral("フォルダの指定"), start, owner);
}

LabelFont CreateLabelFont(const QString& face, int points, bool bold, bool italic, bool strikeOut, bool underline,
                          int angle)
{
    QFont font = QGuiApplication::font();
    const QString wanted = face.isEmpty() ? QStringLiteral("Meiryo UI") : face;
    font.setFamilies({wanted, QStringLiteral("メイリオ"), QGuiApplication::font().family()});
    font.setPointSize(std::max(points, 2));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setStrikeOut(strikeOut);
    font.setUnderline(underline);
    return {font, angle};
}

} // namespace vq
