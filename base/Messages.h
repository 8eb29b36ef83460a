#pragma once

#include <QString>

#include <optional>

class QObject;

namespace vq {

// The application name shown as every message box's caption.
inline constexpr char kAppName[] = "Velquin";

// Message-box styles and answers, numbered as the program has always used them.
enum MessageStyle : int {
    kStyleError = 0x10,
    kStyleInfo = 0x40,
    kStyleYesNo = 0x24,
    kStyleYesNoCancel = 0x23,
};
enum MessageAnswer : int {
    kIdNone = 0,
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

struct MessageRequest {
    int id = 0;          // string id from the catalogue
    QString prefix;      // names the failed thing: a path, a step, a count
    QString text;        // the catalogue's text
    int style = kStyleError;
    QObject* owner = nullptr;

    [[nodiscard]] QString fullText() const { return prefix + text; }
};

// The message catalogue: the text of string `id`, or nothing for an unknown id.
[[nodiscard]] std::optional<QString> messageText(int id);

// The request that shows string `id` behind `prefix`; nothing for an unknown id.
[[nodiscard]] std::optional<MessageRequest> messageRequest(int id, QObject* owner = nullptr,
                                                           const QString& prefix = {}, int style = kStyleError);

} // namespace vq
