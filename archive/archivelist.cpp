// Member lists of archives: loading them through the engine and finding the setup program.
#include "archive/archivelist.h"

#include <cstring>

#include "util/text.h"
#include "util/textcopy.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

int Digits2(const char* p) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return -1;
    return (p[0] - '0') * 10 + (p[1] - '0');
}

// Days from 1601-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysSince1601(int year, int month, int day) {
    static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int64_t y = year - 1601;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    days += kBefore[month - 1] + (day - 1);
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (leap && month > 2) ++days;
    return days;
}

bool IsSep(char c) { return c == '/' || c == '\\'; }

}  // namespace

TvFileTime MemberTimeFromText(const char* text) {
    TvFileTime t;
    if (!text || strnlen(text, 16) < 15) return t;
    int month = Digits2(text), day = Digits2(text + 3), year = Digits2(text + 6);
    int hour = Digits2(text + 10), minute = Digits2(text + 13);
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 0 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59)
        return t;
    year += year < 51 ? 2000 : 1900;
    uint64_t seconds = uint64_t(DaysSince1601(year, month, day)) * 86400u + uint64_t(hour) * 3600u + uint64_t(minute) * 60u;
    t.Set(seconds * 10000000u);
    return t;
}

void MemberInfoToArchiveMember(const MemberInfo& info, ArchiveMember* m) {
    InitArchiveMember(m);
    m->index = info.index;
    m->size = info.size;
    m->packed = info.packed;
    m->flags = 0;
    m->attributes = info.attributes;
    m->ratio = info.packed < info.size ? uint8_t(100 - (uint64_t(info.packed) * 100 / info.size)) : 0;
    m->time = MemberTimeFromText(info.dateTime);
    m->setup = 0;
    char name[TV_PATH_SIZE];
    CopyLimited(name, info.name, sizeof name);
    const char* base = name;
    if (info.hasFolder) {
        const char* last = nullptr;
        for (const char* p = name; *p; ++p)
            if (IsSep(*p)) last = p;
        if (last) {
            TextRelease(&m->folder);
            m->folder = TextDuplicateN(name, size_t(last - name));
            base = last + 1;
        }
    }
    char shown[TV_PATH_SIZE];
    CopyLimited(shown, base, sizeof shown);
    if (!(info.attributes & TV_ZIPATTR_KEEPS_CASE)) LowerText(shown);
    TextRelease(&m->name);
    m->name = TextDuplicate(shown);
}

int LoadArchive(TArchiveFileListObject* list, const char* path, TZipFileSystem* fs) {
    if (!list) return TV_UNZIP_INTERNAL;
    list->Clear();
    if (!path || !*path) return 0;
    char archive[TV_PATH_SIZE];
    CopyLimited(archive, path, sizeof archive);
    TrimSpaces(archive, TV_TRIM_BOTH);
    size_t len = strlen(archive);
    if (len >= 2 && archive[0] == '"' && archive[len - 1] == '"') {
        archive[len - 1] = 0;
        memmove(archive, archive + 1, len - 1);
    }
    if (!archive[0]) return 0;

    // One record for the count and the members: the archive is read once.
    MemberInfo info;
    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_COUNTALL;
    c.fileSystem = fs;
    c.info = &info;
    CopyLimited(c.zipFile, archive, sizeof c.zipFile);
    int result = RunUnzipCommand(&c);
    uint32_t count = c.count;
    if (result != 0) return result;

    c.function = TV_UNZIP_NEXT;
    for (uint32_t i = 0; i < count; ++i) {
        int r = RunUnzipCommand(&c);
        if (r != 0) {
            result = r;
            continue;
        }
        if (info.attributes & TV_ZIPATTR_FOLDER) continue;
        ArchiveMember member;
        MemberInfoToArchiveMember(info, &member);
        list->Add(&member, 0);
        FreeArchiveMember(&member);
    }
    return result;
}

ArchiveMember* FindSetupMember(TArchiveFileListObject* list) {
    if (!list) return nullptr;
    for (ListNode* node = list->First(); node; node = node->next) {
        ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (!m || !m->name) continue;
        const char* dot = strrchr(m->name, '.');
        bool exe = dot && TextEquals(dot, ".EXE", 0, 0);
        if (exe && (FindText(m->name, "SETUP", 0, 0) >= 0 || FindText(m->name, "INSTALL", 0, 0) >= 0)) {
            m->setup = 1;
            return m;
        }
        m->setup = 0;
    }
    return nullptr;
}
