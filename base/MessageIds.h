#pragma once

namespace vq {

// The catalogue ids the program shows, by what they tell the user. The
// numbers are the catalogue's own and never change.
enum MessageId : int {
    kMsgOutOfMemory = 30001,
    kMsgNoWorkFolder = 30002,
    kMsgCopyFailed = 30003,
    kMsgAdjustPositions = 30007,
    kMsgReplaceImage = 30012,
    kMsgTooLarge = 30013,
    kMsgSaveFailed = 30018,
    kMsgWrongFormat = 30019,
    kMsgUnsupportedVersion = 30020,
    kMsgConfirmDelete = 30022,
    kMsgBitmapSaveFailed = 30025,
    kMsgOpenFailed = 30026,
    kMsgPasteFailed = 30027,
    kMsgNoImage = 30028,
    kMsgImageTypeRefused = 30029,
    kMsgSaveAtZoom = 30032,
    kMsgNoWriteAccess = 30035,
    kMsgUnpackFailed = 30036,
    kMsgTooManyInDocument = 30043,
    kMsgBackupFailed = 30047,
    kMsgFileManagerFailed = 30048,
    kMsgStatusGuideOn = 30049,
    kMsgOverwrite = 30056,
    kMsgNoPrinterContext = 30064,
    kMsgFolderNotOpenable = 30066,
    kMsgSavedShowFolder = 30069,
    kMsgDownloadFailed = 30076,
    kMsgFileNotFound = 30077,
    kMsgPrinterInitFailed = 30082,
    kMsgShowCreatedImages = 30101,
    kMsgReloadFailed = 30102,
    kMsgCreateSeparately = 30104,
    kMsgTooManyAtOnce = 30109,
    kMsgTooManyImages = 30163,
    kMsgManualMissing = 30173,
    // Texts kept in the catalogue: the manual's file name and the version history.
    kMsgManualName = 30174,
    kMsgHistory100 = 30200,
    kMsgHistory101 = 30201,
    kMsgHistory102 = 30202,
};

} // namespace vq
