// Platform-free decisions of file intake.
#include "intake/intake_options.h"

#include <cstring>

#include "util/path.h"
#include "util/text.h"
#include "util/safestr.h"

TIntakePlan MakeIntakePlan(uint32_t options, bool hasTemplate) {
    TIntakePlan p = {};
    p.isNew = (options & TV_INTAKE_NEW) != 0;
    const bool plainNew = p.isNew && !hasTemplate;
    p.nameFromFile = plainNew || (options & TV_INTAKE_NAME_FROM_FILE);
    p.readDescription = plainNew || (options & TV_INTAKE_READ_DESCRIPTION);
    p.showDialog = (options & TV_INTAKE_SHOW_DIALOG) != 0;
    if (p.isNew) {
        p.offerChoice = (options & TV_INTAKE_OFFER_COPY_MOVE) != 0;
        if (p.offerChoice)
            p.copy = !(options & (TV_INTAKE_FRESH_DOWNLOAD | TV_INTAKE_MOVE));
        else
            p.copy = !(options & TV_INTAKE_MOVE);
    } else {
        // An edit that changes the category moves the stored file; no choice is offered.
        p.offerChoice = false;
        p.copy = false;
    }
    p.askBeforeCancel = (options & TV_INTAKE_FRESH_DOWNLOAD) != 0;
    p.refreshViews = (options & TV_INTAKE_REFRESH_VIEWS) != 0;
    p.markNew = (options & TV_INTAKE_MARK) != 0;
    p.pathAsWebsite = (options & TV_INTAKE_PATH_AS_WEBSITE) != 0;
    p.offerSetup = p.isNew && (options & TV_INTAKE_FRESH_DOWNLOAD);
    return p;
}

uint32_t IntakeViewFlags(bool isNew, bool sameCategory) {
    uint32_t flags = 0x18;
    if (isNew) flags |= 1;
    if (!sameCategory) flags |= 2;
    return flags;
}

uint32_t IntakeApplyMarks(uint32_t flags, uint32_t options) {
    const bool confirmedEdit = !(options & TV_INTAKE_NEW) && (options & TV_INTAKE_SHOW_DIALOG);
    if (confirmedEdit) return flags & ~uint32_t(2 | 4);
    if (options & TV_INTAKE_MARK) flags |= 2;
    return flags;
}

int CleanStorageName(char* name, size_t size, const char* fallback) {
    if (!name || size == 0) return 0;
    char original[TV_PATH_SIZE];
    CopyLimited(original, name, sizeof original);

    const char* start = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/') start = p + 1;
    char work[TV_PATH_SIZE];
    CopyLimited(work, start, sizeof work);
    // A drive prefix ("C:name").
    if (IsLetter(work[0]) && work[1] == ':') std::memmove(work, work + 2, std::strlen(work + 2) + 1);
    for (char* p = work; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || std::strchr("<>:\"|?*", *p)) *p = '_';
    }
    TrimSpaces(work, TV_TRIM_BOTH);
    size_t lead = 0;
    while (work[lead] == '.' || work[lead] == ' ') ++lead;
    if (lead) std::memmove(work, work + lead, std::strlen(work + lead) + 1);
    size_t len = std::strlen(work);
    while (len > 0 && (work[len - 1] == '.' || work[len - 1] == ' ')) work[--len] = 0;
    if (work[0] && IsDeviceName(work, std::strlen(work))) {
        char prefixed[TV_PATH_SIZE];
        FormatLimited(prefixed, sizeof prefixed, "_%s", work);
        CopyLimited(work, prefixed, sizeof work);
    }
    if (!work[0]) CopyLimited(work, fallback ? fallback : "", sizeof work);
    CopyLimited(name, work, size);
    return std::strcmp(original, name) != 0;
}

void TrimAndUnquotePath(char* out, size_t size, const char* path) {
    if (!out || size == 0) return;
    out[0] = 0;
    if (!path) return;
    size_t j = 0;
    for (const char* p = path; *p && j + 1 < size; ++p)
        if (*p != '"') out[j++] = *p;
    out[j] = 0;
    TrimSpaces(out, TV_TRIM_BOTH);
}

bool HasDescriptionExtension(const char* path) {
    if (!path || !*path) return false;
    const size_t len = std::strlen(path);
    if (len < 4) return false;
    const char* ext = path + len - 4;
    return TextEquals(ext, ".ZIP", 0, 0) || TextEquals(ext, ".EXE", 0, 0);
}
