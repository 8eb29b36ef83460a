#pragma once

namespace vq {

// The catalogue ids the program shows, by what they tell the user. The
// numbers are the catalogue's own and never change.
enum MessageId : int {
    kMsgOutOfMemory = 30001,
    kMsgNoWorkFolder = 30002,
    kMsgTooLarge = 30013,
    kMsgSaveFailed = 30018,
    kMsgWrongFormat = 30019,
    kMsgUnsupportedVersion = 30020,
    kMsgBitmapSaveFailed = 30025,
    kMsgOpenFailed = 30026,
    kMsgPasteFailed = 30027,
    kMsgNoImage = 30028,
    kMsgImageTypeRefused = 30029,
    kMsgNoWriteAccess = 30035,
    kMsgUnpackFailed = 30036,
    kMsgTooManyInDocument = 30043,
    kMsgBackupFailed = 30047,
    kMsgFolderNotOpenable = 30066,
    kMsgDownloadFailed = 30076,
    kMsgFileNotFound = 30077,
    kMsgReloadFailed = 30102,
    kMsgTooManyAtOnce = 30109,
    kMsgTooManyImages = 30163,
};

} // namespace vq
