#pragma once

#include <QFont>
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace vq {

// Shows the folder holding `filePath` in the desktop's file manager; message
// kMsgFileManagerFailed and false when none can be started.
bool ShowFolderInExplorer(const QString& filePath, QObject* owner = nullptr);

// The folder chooser titled "フォルダの指定", starting at `initial` (the home
// folder when that is empty or missing). Empty when cancelled.
[[nodiscard]] QString ChooseFolder(const QString& initial, QObject* owner = nullptr);

// A font for numbers drawn on the canvas: `face` ("Meiryo UI" when empty,
// falling back to the desktop's font), at least 2 points, with the given
// styles. Qt fonts carry no escapement, so `angle` (degrees) is returned for
// the painter to rotate by.
struct LabelFont {
    QFont font;
    int angle = 0;
};
[[nodiscard]] LabelFont CreateLabelFont(const QString& face, int points, bool bold, bool italic, bool strikeOut,
                                        bool underline, int angle);

// How URLs are opened: the desktop services, or a stand-in for tests.
using UrlOpener = std::function<bool(const QUrl&)>;
UrlOpener setUrlOpener(UrlOpener opener);
// Opens `url` with the desktop (or the tests' stand-in); false when nothing could.
bool OpenUrl(const QUrl& url);

} // namespace vq
