// Result codes of the ZIP engine turned into the program's messages.
#include "archive/ziperror.h"

#include "archive/zipengine.h"

#include "util/strings.h"
#include "util/text.h"
#include "util/safestr.h"  // last: no unbounded string functions below

enum {
    kMsgNotZip = 3250,
    kMsgMemory = 3251,
    kMsgOpenArchive = 3252,
    kMsgInternal = 3253,
    kMsgMultiVolume = 3254,
    kMsgOpenOutput = 3255,
    kMsgBadPassword = 3256,
    kMsgDiskFull = 3257,
    kMsgUnknown = 3258,
    kMsgWriteArchive = 3259,
    kMsgCreateArchive = 3260,
    kMsgHardware = 3261,
    kAskContinue = 3262,
    kAskRetry = 3263,
    // Codes beyond the tables: an unsupported method and a missing password are neither a damaged
    // archive nor a wrong password; members renamed on extraction are worth telling.
    kMsgUnsupported = 5150,
    kMsgNoPassword = 5151,
    kMsgRenamed = 5152,
};

uint32_t UnzipErrorMessageId(int code) {
    switch (code) {
    case 0: case 40: case 48: case 49: return 0;
    case 2: case 3: case 25: case 39: case 42: return kMsgNotZip;
    case 4: case 5: return kMsgMemory;
    case 9: case 29: return kMsgOpenArchive;
    case 11: case 45: case 47: return kMsgInternal;
    case 12: case 46: return kMsgMultiVolume;
    case 28: return kMsgOpenOutput;
    case 41: case 44: return kMsgBadPassword;
    case 50: return kMsgDiskFull;
    case TV_UNZIP_UNSUPPORTED: return kMsgUnsupported;
    case TV_UNZIP_NOPASSWORD: return kMsgNoPassword;
    case TV_UNZIP_RENAMED: return kMsgRenamed;
    default: return kMsgUnknown;
    }
}

uint32_t ZipErrorMessageId(int code) {
    switch (code) {
    case 0: case 9: return 0;
    case 1: case 5: case 6: case 7: case 10: case 12: case 13: case 16: case 17: case 20: case 21:
        return kMsgInternal;
    case 2: case 3: case 8: case 11: return kMsgNotZip;
    case 4: return kMsgMemory;
    case 14: return kMsgWriteArchive;
    case 15: return kMsgCreateArchive;
    case 18: return kMsgOpenArchive;
    case 19: return kMsgHardware;
    case TV_ZIP_UNSUPPORTED: return kMsgUnsupported;
    default: return kMsgUnknown;
    }
}

int BuildEngineMessage(uint32_t messageId, int boxType, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (messageId == 0) return 0;
    CopyLimited(out, TvString(messageId), size);
    if (boxType == TV_BOX_OKCANCEL || boxType == TV_BOX_YESNO)
        AppendLimited(out, TvString(kAskContinue), size);
    else if (boxType == TV_BOX_RETRYCANCEL)
        AppendLimited(out, TvString(kAskRetry), size);
    return 1;
}
