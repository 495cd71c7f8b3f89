// The ZIP engine over libzip. Archives are read and written through our own zip source over the
// engine's file system, which also presents archives behind an executable stub whose offsets were
// not corrected as a shifted view that starts at the real first member.
#include "archive/zipengine.h"

#include <zip.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/zipfs.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr size_t kCopyBuffer = 256 * 1024;
constexpr size_t kSourceBuffer = 128 * 1024;

// ---------------------------------------------------------------------------------------------
// Archive source: the archive file (seen from `shift` on), writable through a temporary file.
struct TArchiveSource {
    TZipFileSystem* fs = nullptr;
    std::string path;
    int64_t shift = 0;
    TZipFile* in = nullptr;
    TZipFile* out = nullptr;
    std::string tempPath;
    zip_error_t error;
    bool writable = false;
    // Reads go through a buffer: libzip reads members in small pieces and seeks before each one.
    int64_t size = 0;           // of the view
    int64_t pos = 0;            // in the view
    std::vector<unsigned char> buffer;
    int64_t bufferStart = 0;    // view position of buffer[0]
    size_t bufferLength = 0;

    TArchiveSource() { zip_error_init(&error); }

    // Copies the first bytes of the file into the new one; the write position ends after them.
    bool CopyPrefix(int64_t bytes) {
        TZipFile* src = in ? in : fs->OpenRead(path.c_str());
        if (!src) return false;
        bool ok = src->Seek(0);
        std::vector<unsigned char> chunk(kSourceBuffer);
        while (ok && bytes > 0) {
            size_t want = bytes < int64_t(chunk.size()) ? size_t(bytes) : chunk.size();
            int64_t n = src->Read(chunk.data(), want);
            ok = n > 0 && out->Write(chunk.data(), size_t(n));
            bytes -= n > 0 ? n : 0;
        }
        if (src != in) delete src;
        bufferLength = 0;  // the read position of the file moved
        return ok;
    }

    zip_int64_t ReadAt(void* data, zip_uint64_t len) {
        unsigned char* out = static_cast<unsigned char*>(data);
        zip_int64_t done = 0;
        while (len > 0 && pos < size) {
            if (pos >= bufferStart && pos < bufferStart + int64_t(bufferLength)) {
                size_t offset = size_t(pos - bufferStart);
                size_t n = bufferLength - offset;
                if (n > len) n = size_t(len);
                memcpy(out, buffer.data() + offset, n);
                out += n;
                len -= n;
                done += zip_int64_t(n);
                pos += int64_t(n);
                continue;
            }
            if (buffer.empty()) buffer.resize(kSourceBuffer);
            if (!in->Seek(pos + shift)) {
                zip_error_set(&error, ZIP_ER_SEEK, 0);
                return -1;
            }
            if (len >= buffer.size()) {  // large reads go straight through
                int64_t n = in->Read(out, size_t(len > 0x40000000 ? 0x40000000 : len));
                if (n < 0) {
                    zip_error_set(&error, ZIP_ER_READ, 0);
                    return -1;
                }
                if (n == 0) break;
                out += n;
                len -= zip_uint64_t(n);
                done += n;
                pos += n;
                continue;
            }
            int64_t n = in->Read(buffer.data(), buffer.size());
            if (n < 0) {
                zip_error_set(&error, ZIP_ER_READ, 0);
                return -1;
            }
            bufferStart = pos;
            bufferLength = size_t(n);
            if (n == 0) break;
        }
        return done;
    }
    ~TArchiveSource() {
        delete in;
        if (out) {
            delete out;
            fs->RemoveFile(tempPath.c_str());
        }
        zip_error_fini(&error);
    }
};

zip_int64_t ArchiveSourceProc(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    TArchiveSource* s = static_cast<TArchiveSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        if (!s->in) {
            s->in = s->fs->OpenRead(s->path.c_str());
            if (!s->in) {
                zip_error_set(&s->error, ZIP_ER_OPEN, 0);
                return -1;
            }
            s->size = s->in->Size() - s->shift;
            if (s->size < 0) s->size = 0;
            s->bufferLength = 0;
        }
        s->pos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        if (!s->in) {
            zip_error_set(&s->error, ZIP_ER_READ, 0);
            return -1;
        }
        return s->ReadAt(data, len);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
        if (!st) return -1;
        TZipFileInfo info;
        if (!s->fs->GetInfo(s->path.c_str(), &info) || info.isFolder) {
            // What libzip takes for "no such file" (a new archive may then be created).
            zip_error_set(&s->error, ZIP_ER_READ, 2 /* ENOENT */);
            return -1;
        }
        zip_stat_init(st);
        int64_t size = int64_t(info.size) - s->shift;
        st->size = zip_uint64_t(size < 0 ? 0 : size);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        delete s;
        return 0;
    case ZIP_SOURCE_SEEK: {
        if (!s->in) {
            zip_error_set(&s->error, ZIP_ER_SEEK, 0);
            return -1;
        }
        zip_int64_t target = zip_source_seek_compute_offset(zip_uint64_t(s->pos), zip_uint64_t(s->size), data, len, &s->error);
        if (target < 0) return -1;
        s->pos = target;  // the read that follows moves the file (or finds the bytes buffered)
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return s->in ? s->pos : 0;
    case ZIP_SOURCE_BEGIN_WRITE:
    case ZIP_SOURCE_BEGIN_WRITE_CLONING: {
        // The new archive keeps what comes before the archive proper (an executable stub) and,
        // when cloning, the unchanged members up to len: libzip then writes only from there on.
        int64_t keep = s->shift + (cmd == ZIP_SOURCE_BEGIN_WRITE_CLONING ? int64_t(len) : 0);
        for (int i = 0; i < 1000; ++i) {
            char suffix[32];
            snprintf(suffix, sizeof suffix, ".tv%03d.tmp", i);
            std::string candidate = s->path + suffix;
            TZipFileInfo info;
            if (s->fs->GetInfo(candidate.c_str(), &info)) continue;
            s->out = s->fs->Create(candidate.c_str());
            if (!s->out) break;
            s->tempPath = candidate;
            if (keep > 0 && !s->CopyPrefix(keep)) {
                delete s->out;
                s->out = nullptr;
                s->fs->RemoveFile(candidate.c_str());
                zip_error_set(&s->error, ZIP_ER_WRITE, 0);
                return -1;
            }
            return 0;
        }
        zip_error_set(&s->error, ZIP_ER_TMPOPEN, 0);
        return -1;
    }
    case ZIP_SOURCE_WRITE:
        if (!s->out || !s->out->Write(data, size_t(len))) {
            zip_error_set(&s->error, ZIP_ER_WRITE, 0);
            return -1;
        }
        return zip_int64_t(len);
    case ZIP_SOURCE_SEEK_WRITE: {
        if (!s->out) return -1;
        zip_int64_t target = zip_source_seek_compute_offset(zip_uint64_t(s->out->Tell() - s->shift),
                                                            zip_uint64_t(s->out->Size() - s->shift), data, len,
                                                            &s->error);
        if (target < 0) return -1;
        if (!s->out->Seek(target + s->shift)) {
            zip_error_set(&s->error, ZIP_ER_SEEK, 0);
            return -1;
        }
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return s->out ? s->out->Tell() - s->shift : -1;
    case ZIP_SOURCE_COMMIT_WRITE: {
        if (!s->out) return -1;
        int ok = s->out->Close();
        delete s->out;
        s->out = nullptr;
        delete s->in;
        s->in = nullptr;
        if (!ok || !s->fs->Replace(s->tempPath.c_str(), s->path.c_str())) {
            s->fs->RemoveFile(s->tempPath.c_str());
            zip_error_set(&s->error, ok ? ZIP_ER_RENAME : ZIP_ER_WRITE, 0);
            return -1;
        }
        s->bufferLength = 0;  // the new file keeps the stub: the shift stays
        return 0;
    }
    case ZIP_SOURCE_ROLLBACK_WRITE:
        if (s->out) {
            delete s->out;
            s->out = nullptr;
            s->fs->RemoveFile(s->tempPath.c_str());
        }
        return 0;
    case ZIP_SOURCE_REMOVE:
        delete s->in;
        s->in = nullptr;
        s->bufferLength = 0;
        if (!s->fs->RemoveFile(s->path.c_str())) {
            zip_error_set(&s->error, ZIP_ER_REMOVE, 0);
            return -1;
        }
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return s->writable ? (ZIP_SOURCE_SUPPORTS_WRITABLE |
                              ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_BEGIN_WRITE_CLONING))
                           : ZIP_SOURCE_SUPPORTS_SEEKABLE;
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

uint32_t ReadLE32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint64_t ReadLE64(const unsigned char* p) { return ReadLE32(p) | (uint64_t(ReadLE32(p + 4)) << 32); }
uint16_t ReadLE16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

bool HasSignatureAt(TZipFile* f, int64_t pos, uint32_t signature) {
    unsigned char b[4];
    if (pos < 0 || !f->Seek(pos) || f->Read(b, 4) != 4) return false;
    return ReadLE32(b) == signature;
}

// For an archive whose member offsets count from the start of the archive proper (an executable
// stub in front was not accounted for): how far the archive proper starts into the file. 0 when the
// end record gives no consistent shift.
int64_t FindArchiveShift(TZipFile* f) {
    int64_t size = f->Size();
    if (size < 22) return 0;
    int64_t tailStart = size > 65557 ? size - 65557 : 0;
    std::vector<unsigned char> tail(size_t(size - tailStart));
    if (!f->Seek(tailStart) || f->Read(tail.data(), tail.size()) != int64_t(tail.size())) return 0;
    for (int64_t i = int64_t(tail.size()) - 22; i >= 0; --i) {
        const unsigned char* p = tail.data() + i;
        if (ReadLE32(p) != 0x06054b50) continue;
        int64_t eocd = tailStart + i;
        uint16_t commentLength = ReadLE16(p + 20);
        if (eocd + 22 + commentLength > size) continue;
        uint64_t cdSize = ReadLE32(p + 12);
        uint64_t cdOffset = ReadLE32(p + 16);
        int64_t cdEnd = eocd;
        if ((cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) && eocd >= 20 + 56) {
            unsigned char loc[20];
            if (!f->Seek(eocd - 20) || f->Read(loc, 20) != 20 || ReadLE32(loc) != 0x07064b50) continue;
            int64_t z64 = eocd - 20 - 56;
            unsigned char rec[56];
            if (!f->Seek(z64) || f->Read(rec, 56) != 56 || ReadLE32(rec) != 0x06064b50) continue;
            cdSize = ReadLE64(rec + 40);
            cdOffset = ReadLE64(rec + 48);
            cdEnd = z64;
            int64_t shift = z64 - int64_t(ReadLE64(loc + 8));
            if (shift <= 0) continue;
            if (cdSize > uint64_t(cdEnd) || cdOffset > uint64_t(cdEnd)) continue;
            if (int64_t(cdOffset) + shift + int64_t(cdSize) != cdEnd) continue;
            if (cdSize && !HasSignatureAt(f, int64_t(cdOffset) + shift, 0x02014b50)) continue;
            return shift;
        }
        if (cdSize > uint64_t(cdEnd) || cdOffset > uint64_t(cdEnd)) continue;
        int64_t shift = cdEnd - int64_t(cdSize) - int64_t(cdOffset);
        if (shift <= 0) continue;
        if (cdSize && !HasSignatureAt(f, int64_t(cdOffset) + shift, 0x02014b50)) continue;
        return shift;
    }
    return 0;
}

zip_t* OpenWithShift(TZipFileSystem* fs, const char* path, int64_t shift, int flags, bool writable, int* zipError) {
    TArchiveSource* s = new TArchiveSource;
    s->fs = fs;
    s->path = path;
    s->shift = shift;
    s->writable = writable;
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_function_create(ArchiveSourceProc, s, &err);
    if (!src) {
        delete s;
        *zipError = zip_error_code_zip(&err);
        zip_error_fini(&err);
        return nullptr;
    }
    zip_t* za = zip_open_from_source(src, flags, &err);
    if (!za) {
        *zipError = zip_error_code_zip(&err);
        zip_source_free(src);
    }
    zip_error_fini(&err);
    return za;
}

// Opens an archive; a stub in front with uncorrected offsets is handled by a shifted view.
zip_t* OpenArchive(TZipFileSystem* fs, const char* path, int flags, bool writable, int* zipError) {
    *zipError = 0;
    TZipFileInfo info;
    if (!fs->GetInfo(path, &info)) {
        if (!(flags & ZIP_CREATE)) {
            *zipError = ZIP_ER_NOENT;
            return nullptr;
        }
    } else if (info.isFolder) {
        *zipError = ZIP_ER_OPEN;
        return nullptr;
    }
    zip_t* za = OpenWithShift(fs, path, 0, flags, writable, zipError);
    if (za || (*zipError != ZIP_ER_NOZIP && *zipError != ZIP_ER_INCONS)) return za;
    int64_t shift = 0;
    if (TZipFile* f = fs->OpenRead(path)) {
        shift = FindArchiveShift(f);
        delete f;
    }
    if (shift <= 0) return nullptr;
    int second = 0;
    za = OpenWithShift(fs, path, shift, flags & ~ZIP_CREATE, writable, &second);
    if (za) *zipError = 0;
    return za;
}

int UnzipCodeFromZip(int ze) {
    switch (ze) {
    case ZIP_ER_OK: return TV_UNZIP_OK;
    case ZIP_ER_MULTIDISK: return TV_UNZIP_MULTIVOLUME;
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN: return TV_UNZIP_OPENFAILED;
    case ZIP_ER_MEMORY: return TV_UNZIP_NOMEMORY;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_SEEK:
    case ZIP_ER_EOF: return TV_UNZIP_NOTZIP;
    case ZIP_ER_READ:
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA: return TV_UNZIP_BADDATA;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP: return TV_UNZIP_UNSUPPORTED;
    case ZIP_ER_NOPASSWD: return TV_UNZIP_NOPASSWORD;
    case ZIP_ER_WRONGPASSWD: return TV_UNZIP_BADPASSWORD;
    case ZIP_ER_CANCELLED: return TV_UNZIP_CANCELLED;
    default: return TV_UNZIP_INTERNAL;
    }
}

int ZipCodeFromZip(int ze) {
    switch (ze) {
    case ZIP_ER_OK: return TV_ZIP_OK;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_MULTIDISK: return TV_ZIP_NOTZIP;
    case ZIP_ER_EOF:
    case ZIP_ER_CRC:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_NOPASSWD: return TV_ZIP_BADARCHIVE;
    case ZIP_ER_MEMORY: return TV_ZIP_NOMEMORY;
    case ZIP_ER_CANCELLED: return TV_ZIP_CANCELLED;
    case ZIP_ER_WRITE:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE: return TV_ZIP_WRITEFAILED;
    case ZIP_ER_TMPOPEN: return TV_ZIP_CREATEFAILED;
    case ZIP_ER_OPEN:
    case ZIP_ER_NOENT: return TV_ZIP_OPENFAILED;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK: return TV_ZIP_READFAILED;
    default: return TV_ZIP_BADPARAM;
    }
}

TZipFileSystem* FsOf(TZipFileSystem* fs) { return fs ? fs : DefaultZipFileSystem(); }

// Removes surrounding double quotes (and blanks) from an archive path.
std::string Unquote(const char* path) {
    std::string p = path ? path : "";
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    return p;
}

void DosFromTimeT(time_t t, uint16_t* date, uint16_t* tm) {
    struct tm* local = localtime(&t);
    if (!local || local->tm_year < 80) {
        *date = (1 << 5) | 1;
        *tm = 0;
        return;
    }
    *date = uint16_t(((local->tm_year - 80) << 9) | ((local->tm_mon + 1) << 5) | local->tm_mday);
    *tm = uint16_t((local->tm_hour << 11) | (local->tm_min << 5) | (local->tm_sec / 2));
}

time_t TimeTFromDos(uint16_t date, uint16_t tm) {
    struct tm local = {};
    local.tm_year = ((date >> 9) & 0x7F) + 80;
    local.tm_mon = ((date >> 5) & 0x0F) - 1;
    local.tm_mday = date & 0x1F;
    local.tm_hour = (tm >> 11) & 0x1F;
    local.tm_min = (tm >> 5) & 0x3F;
    local.tm_sec = (tm & 0x1F) * 2;
    local.tm_isdst = -1;
    return mktime(&local);
}

bool IsSep(char c) { return c == '/' || c == '\\'; }

uint32_t Clamp32(zip_uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(v); }

// Member attributes in the engine's form.
uint32_t MemberAttributes(zip_t* za, zip_uint64_t index, const char* utf8Name, const zip_stat_t& st) {
    zip_uint8_t opsys = 0;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(za, index, 0, &opsys, &external);
    uint32_t attrs = external & 0x7F;
    if (opsys == ZIP_OPSYS_UNIX) {
        uint32_t mode = external >> 16;
        if ((mode & 0170000) == 0040000) attrs |= TV_ZIPATTR_FOLDER;
        if (mode && !(mode & 0200)) attrs |= 0x01;
    }
    size_t len = strlen(utf8Name);
    if (len && IsSep(utf8Name[len - 1])) attrs |= TV_ZIPATTR_FOLDER;
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) attrs |= TV_ZIPATTR_ENCRYPTED;
    // Names from MS-DOS hosts without lower-case letters are shown folded; all others keep their case.
    bool keepsCase = opsys != ZIP_OPSYS_DOS;
    for (const char* p = utf8Name; *p && !keepsCase; ++p)
        if (*p >= 'a' && *p <= 'z') keepsCase = true;
    if (keepsCase) attrs |= TV_ZIPATTR_KEEPS_CASE;
    return attrs;
}

int FillMemberInfo(zip_t* za, TZipFileSystem* fs, zip_uint64_t index, MemberInfo* info) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0) return UnzipCodeFromZip(zip_error_code_zip(zip_get_error(za)));
    *info = MemberInfo();
    info->index = uint32_t(index);
    info->size = (st.valid & ZIP_STAT_SIZE) ? Clamp32(st.size) : 0;
    info->packed = (st.valid & ZIP_STAT_COMP_SIZE) ? Clamp32(st.comp_size) : 0;
    info->method = (st.valid & ZIP_STAT_COMP_METHOD) ? uint16_t(st.comp_method) : 0;
    const char* utf8 = st.name ? st.name : "";
    std::string ansi = fs->Utf8ToAnsi(utf8);
    size_t n = ansi.size() < TV_PATH_SIZE - 1 ? ansi.size() : TV_PATH_SIZE - 1;
    memcpy(info->name, ansi.data(), n);
    info->name[n] = 0;
    size_t len = n;
    while (len > 0 && IsSep(info->name[len - 1])) --len;
    for (size_t i = 0; i < len; ++i)
        if (IsSep(info->name[i])) info->hasFolder = 1;
    info->attributes = MemberAttributes(za, index, utf8, st);
    if (st.valid & ZIP_STAT_MTIME) DosFromTimeT(st.mtime, &info->dosDate, &info->dosTime);
    int month = (info->dosDate >> 5) & 0x0F, day = info->dosDate & 0x1F;
    int year = (((info->dosDate >> 9) & 0x7F) + 1980) % 100;
    int hour = (info->dosTime >> 11) & 0x1F, minute = (info->dosTime >> 5) & 0x3F;
    snprintf(info->dateTime, sizeof info->dateTime, "%02d-%02d-%02d  %02d:%02d", month % 100, day, year, hour % 100,
             minute % 100);
    return TV_UNZIP_OK;
}

int32_t Status(TZipStatusProc proc, const char* text, int32_t percent, uintptr_t user) {
    return proc ? proc(text ? text : "", percent, user) : 0;
}

std::string JoinPath(const std::string& folder, const std::string& rel, char sep) {
    if (folder.empty()) return rel;
    std::string r = folder;
    if (!IsSep(r.back())) r += sep;
    return r + rel;
}

}  // namespace

struct TUnzipState {
    zip_t* za = nullptr;
    zip_int64_t next = 0;
    ~TUnzipState() {
        if (za) zip_discard(za);
    }
};

extern "C" int32_t TV_ENGINE_CALLBACK DynaZipNoFeedbackMessageProc(uint32_t code, uint32_t, uint32_t, uint32_t,
                                                                   uint32_t, uint32_t, uint32_t) {
    switch (code) {
    case 0:
    case 1:
    case 10: return 2;
    case 7:
    case 8: return 3;
    default: return 1;
    }
}

TUnzipCommand::~TUnzipCommand() { delete state; }

void ResetUnzipCommand(TUnzipCommand* c) {
    if (!c) return;
    delete c->state;
    c->state = nullptr;
    c->function = 0;
    c->zipFile[0] = c->destination[0] = c->fileSpec[0] = 0;
    c->memberIndex = -1;
    c->skipOlder = 0;
    c->overwrite = 0;
    c->ignoreFolders = 1;
    memset(c->password, 0, sizeof c->password);
    c->info = nullptr;
    c->count = 0;
    c->messageProc = nullptr;
    c->minorStatus = c->majorStatus = nullptr;
    c->userValue = 0;
    c->fileSystem = nullptr;
}

namespace {

// Extracts one member. Returns 0, a skip (TV_UNZIP_SKIPPED) or an error code.
int ExtractMember(TUnzipCommand* c, zip_t* za, TZipFileSystem* fs, zip_uint64_t index, uint64_t doneBefore,
                  uint64_t total, std::vector<char>& buffer, std::set<std::string>& madeFolders) {
    MemberInfo info;
    int r = FillMemberInfo(za, fs, index, &info);
    if (r) return r;
    zip_stat_t st;
    zip_stat_init(&st);
    zip_stat_index(za, index, 0, &st);
    bool folderEntry = (info.attributes & TV_ZIPATTR_FOLDER) != 0;
    const char sep = fs->Separator();
    std::string dest = c->destination;
    const bool testOnly = c->function == TV_UNZIP_TEST;
    if (testOnly && folderEntry) return TV_UNZIP_OK;

    const char* stored = info.name;
    if (c->ignoreFolders) {
        if (folderEntry) return TV_UNZIP_OK;
        const char* base = stored;
        for (const char* p = stored; *p; ++p)
            if (IsSep(*p)) base = p + 1;
        stored = base;
    }
    char rel[TV_PATH_SIZE];
    if (!SafeMemberPath(stored, sep, rel, sizeof rel)) return folderEntry ? TV_UNZIP_OK : TV_UNZIP_SKIPPED;
    // The folders on the way, part by part (every part was made safe above).
    std::string target = JoinPath(dest, rel, sep);
    if (!testOnly && target.size() >= TV_PATH_SIZE) return TV_UNZIP_OUTPUTFAILED;
    if (!testOnly) {
        std::string partial = dest;
        const char* p = rel;
        while (const char* q = strchr(p, sep)) {
            partial = JoinPath(partial, std::string(p, size_t(q - p)), sep);
            if (madeFolders.count(partial)) {
                p = q + 1;
                continue;
            }
            if (!fs->CreateFolder(partial.c_str())) return TV_UNZIP_OUTPUTFAILED;
            madeFolders.insert(partial);
            p = q + 1;
        }
    }
    if (folderEntry) return fs->CreateFolder(target.c_str()) ? TV_UNZIP_OK : TV_UNZIP_OUTPUTFAILED;

    TZipFileInfo existing;
    if (!testOnly && fs->GetInfo(target.c_str(), &existing)) {
        if (existing.isFolder) return TV_UNZIP_OUTPUTFAILED;
        uint32_t have = (uint32_t(existing.dosDate) << 16) | existing.dosTime;
        uint32_t mine = (uint32_t(info.dosDate) << 16) | info.dosTime;
        if (c->skipOlder && have >= mine) return TV_UNZIP_SKIPPED;
        if (!c->overwrite) {
            TZipMessageProc ask = c->messageProc ? c->messageProc : DynaZipNoFeedbackMessageProc;
            if (ask(TV_ZIPMSG_OVERWRITE, uint32_t(index), 0, 0, 0, 0, 0) != 1) return TV_UNZIP_SKIPPED;
        }
    }

    // Methods we cannot decode give a clean error for this member.
    bool encrypted = (info.attributes & TV_ZIPATTR_ENCRYPTED) != 0;
    bool methodOk = (st.valid & ZIP_STAT_COMP_METHOD) &&
                    (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE ||
                     zip_compression_method_supported(st.comp_method, 0));
    bool cryptOk = !encrypted || zip_encryption_method_supported(st.encryption_method, 0);
    if (!methodOk || !cryptOk) {
        TZipMessageProc ask = c->messageProc ? c->messageProc : DynaZipNoFeedbackMessageProc;
        if (ask(TV_ZIPMSG_UNSUPPORTED, uint32_t(index), 0, 0, 0, 0, 0) == 3) return -TV_UNZIP_UNSUPPORTED;
        return TV_UNZIP_UNSUPPORTED;
    }
    if (encrypted && !c->password[0]) return TV_UNZIP_NOPASSWORD;

    zip_file_t* zf = zip_fopen_index_encrypted(za, index, 0, encrypted ? c->password : nullptr);
    if (!zf) {
        int ze = zip_error_code_zip(zip_get_error(za));
        zip_error_clear(za);
        return UnzipCodeFromZip(ze);
    }
    std::string temp = target + ".tvpart";
    TZipFile* out = testOnly ? nullptr : fs->Create(temp.c_str());
    if (!out && !testOnly) {
        zip_fclose(zf);
        return TV_UNZIP_OUTPUTFAILED;
    }
    uint64_t expected = st.size;
    uint64_t written = 0;
    int result = TV_UNZIP_OK;
    int lastPercent = -1;
    if (Status(c->minorStatus, info.name, 0, c->userValue)) result = TV_UNZIP_CANCELLED;
    while (result == TV_UNZIP_OK) {
        zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
        if (n < 0) {
            int ze = zip_error_code_zip(zip_file_get_error(zf));
            result = UnzipCodeFromZip(ze);
            if (encrypted && (ze == ZIP_ER_CRC || ze == ZIP_ER_COMPRESSED_DATA || ze == ZIP_ER_ZLIB))
                result = TV_UNZIP_BADPASSWORD;
            break;
        }
        if (n == 0) break;
        if (written + uint64_t(n) > expected) {  // more data than the header admits
            result = TV_UNZIP_BADDATA;
            break;
        }
        if (out && !out->Write(buffer.data(), size_t(n))) {
            result = TV_UNZIP_DISKFULL;
            break;
        }
        written += uint64_t(n);
        int percent = expected ? int(written * 100 / expected) : 100;
        if (percent != lastPercent) {
            lastPercent = percent;
            if (Status(c->minorStatus, info.name, percent, c->userValue)) result = TV_UNZIP_CANCELLED;
            if (total && Status(c->majorStatus, "", int32_t((doneBefore + written) * 100 / total), c->userValue))
                result = TV_UNZIP_CANCELLED;
        }
    }
    int closeError = zip_fclose(zf);
    if (result == TV_UNZIP_OK && closeError) result = encrypted ? TV_UNZIP_BADPASSWORD : UnzipCodeFromZip(closeError);
    if (result == TV_UNZIP_OK && written != expected) result = TV_UNZIP_BADDATA;
    if (testOnly) {
        if (result == TV_UNZIP_OK) ++c->count;
        return result;
    }
    if (result == TV_UNZIP_OK) out->SetTime(info.dosDate, info.dosTime);
    if (!out->Close() && result == TV_UNZIP_OK) result = TV_UNZIP_DISKFULL;
    delete out;
    if (result != TV_UNZIP_OK) {
        fs->RemoveFile(temp.c_str());
        return result;
    }
    if (!fs->Replace(temp.c_str(), target.c_str())) {
        fs->RemoveFile(temp.c_str());
        return TV_UNZIP_OUTPUTFAILED;
    }
    uint32_t keep = info.attributes & (TV_ATTR_READONLY | TV_ATTR_HIDDEN | TV_ATTR_SYSTEM);
    if (keep) fs->SetAttributes(target.c_str(), keep | TV_ATTR_ARCHIVE);
    ++c->count;
    return TV_UNZIP_OK;
}

int RunExtract(TUnzipCommand* c, zip_t* za, TZipFileSystem* fs) {
    zip_int64_t n = zip_get_num_entries(za, 0);
    std::vector<zip_uint64_t> selected;
    uint64_t total = 0;
    if (c->memberIndex >= 0) {
        if (c->memberIndex >= n) return TV_UNZIP_BADINDEX;
        selected.push_back(zip_uint64_t(c->memberIndex));
    } else {
        const char* spec = c->fileSpec[0] ? c->fileSpec : "*.*";
        for (zip_int64_t i = 0; i < n; ++i) {
            const char* name = zip_get_name(za, zip_uint64_t(i), 0);
            if (!name) continue;
            std::string ansi = fs->Utf8ToAnsi(name);
            if (ZipMaskMatch(spec, ansi.c_str())) selected.push_back(zip_uint64_t(i));
        }
    }
    if (selected.empty()) return TV_UNZIP_NOTHING;
    for (zip_uint64_t i : selected) {
        zip_stat_t st;
        if (zip_stat_index(za, i, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) total += st.size;
    }
    if (c->destination[0] && c->function != TV_UNZIP_TEST) fs->CreateFolder(c->destination);
    std::vector<char> buffer(kCopyBuffer);
    uint64_t done = 0;
    int result = TV_UNZIP_OK;
    bool skipped = false;
    std::set<std::string> madeFolders;
    for (zip_uint64_t i : selected) {
        int r = ExtractMember(c, za, fs, i, done, total, buffer, madeFolders);
        zip_stat_t st;
        if (zip_stat_index(za, i, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) done += st.size;
        if (r < 0) {  // unsupported member skipped on request
            result = -r;
            continue;
        }
        if (r == TV_UNZIP_SKIPPED) {
            skipped = true;
            continue;
        }
        if (r != TV_UNZIP_OK) {
            result = r;
            if (r == TV_UNZIP_CANCELLED || r == TV_UNZIP_DISKFULL) break;
        }
    }
    if (result == TV_UNZIP_OK && total) Status(c->majorStatus, "", 100, c->userValue);
    if (result == TV_UNZIP_OK && skipped) result = TV_UNZIP_SKIPPED;
    return result;
}

}  // namespace

int RunUnzipCommand(TUnzipCommand* c) {
    if (!c) return TV_UNZIP_INTERNAL;
    TZipFileSystem* fs = FsOf(c->fileSystem);
    std::string path = Unquote(c->zipFile);
    if (path.empty()) return TV_UNZIP_OPENFAILED;

    if (c->function == TV_UNZIP_NEXT) {
        if (!c->info) return TV_UNZIP_INTERNAL;
        if (!c->state) {
            c->state = new TUnzipState;
            int ze = 0;
            c->state->za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
            if (!c->state->za) return UnzipCodeFromZip(ze ? ze : ZIP_ER_NOZIP);
        }
        if (!c->state->za) return TV_UNZIP_OPENFAILED;
        zip_int64_t n = zip_get_num_entries(c->state->za, 0);
        if (c->state->next >= n) return TV_UNZIP_INTERNAL;
        return FillMemberInfo(c->state->za, fs, zip_uint64_t(c->state->next++), c->info);
    }

    int ze = 0;
    zip_t* za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
    if (!za) return UnzipCodeFromZip(ze ? ze : ZIP_ER_NOZIP);
    int result = TV_UNZIP_OK;
    switch (c->function) {
    case TV_UNZIP_COUNTALL:
        c->count = uint32_t(zip_get_num_entries(za, 0));
        break;
    case TV_UNZIP_COUNTNAMED: {
        c->count = 0;
        zip_int64_t n = zip_get_num_entries(za, 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            const char* name = zip_get_name(za, zip_uint64_t(i), 0);
            if (!name) continue;
            std::string ansi = fs->Utf8ToAnsi(name);
            if (ZipMaskMatch(c->fileSpec[0] ? c->fileSpec : "*.*", ansi.c_str())) ++c->count;
        }
        break;
    }
    case TV_UNZIP_EXTRACT:
    case TV_UNZIP_TEST:
        c->count = 0;
        result = RunExtract(c, za, fs);
        break;
    default:
        result = TV_UNZIP_INTERNAL;
    }
    zip_discard(za);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

struct TZipJob;

// One file to add: read lazily through the file system when libzip writes the archive.
struct TFileSource {
    TZipJob* job = nullptr;
    std::string path;
    std::string displayName;
    uint64_t size = 0;
    time_t mtime = 0;
    TZipFile* f = nullptr;
    uint64_t read = 0;
    zip_error_t error;
    TFileSource() { zip_error_init(&error); }
    ~TFileSource() {
        delete f;
        zip_error_fini(&error);
    }
};

struct TCandidate {
    std::string path;
    std::string storedName;  // UTF-8
    TZipFileInfo info;
    bool isFolder = false;
};

struct TZipJob {
    TZipCommand* c = nullptr;
    TZipFileSystem* fs = nullptr;
    bool cancelled = false;
    bool readFailed = false;
    std::string archivePath;
    std::vector<TCandidate> candidates;
};

zip_int64_t FileSourceProc(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    TFileSource* s = static_cast<TFileSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        delete s->f;
        s->f = s->job->fs->OpenRead(s->path.c_str());
        s->read = 0;
        if (!s->f) {
            s->job->readFailed = true;
            zip_error_set(&s->error, ZIP_ER_OPEN, 0);
            return -1;
        }
        if (Status(s->job->c->minorStatus, s->displayName.c_str(), 0, s->job->c->userValue)) {
            s->job->cancelled = true;
            zip_error_set(&s->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        return 0;
    case ZIP_SOURCE_READ: {
        if (s->job->cancelled) {
            zip_error_set(&s->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        // Never more than the size announced: a file growing meanwhile cannot break the entry.
        uint64_t left = s->size - s->read;
        if (len > left) len = left;
        if (len == 0) return 0;
        int64_t n = s->f->Read(data, size_t(len));
        if (n < 0) {
            s->job->readFailed = true;
            zip_error_set(&s->error, ZIP_ER_READ, 0);
            return -1;
        }
        int before = s->size ? int(s->read * 100 / s->size) : 0;
        s->read += uint64_t(n);
        int after = s->size ? int(s->read * 100 / s->size) : 100;
        if (after != before && Status(s->job->c->minorStatus, s->displayName.c_str(), after, s->job->c->userValue)) {
            s->job->cancelled = true;
            zip_error_set(&s->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        delete s->f;
        s->f = nullptr;
        return 0;
    case ZIP_SOURCE_STAT: {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = s->size;
        // The member's time: libzip also derives the check byte of traditional encryption from it.
        st->mtime = s->mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

int ZipCancelProc(zip_t*, void* ud) { return static_cast<TZipJob*>(ud)->cancelled ? 1 : 0; }

void ZipProgressProc(zip_t*, double progress, void* ud) {
    TZipJob* job = static_cast<TZipJob*>(ud);
    if (Status(job->c->majorStatus, "", int32_t(progress * 100.0), job->c->userValue)) job->cancelled = true;
}

// The stored form of a path: no drive, no share, no leading separators, no "." or ".." parts.
std::string StoredNameFromPath(const std::string& path) {
    const char* p = path.c_str();
    if (IsSep(p[0]) && IsSep(p[1])) {  // \\server\share
        p += 2;
        for (int skip = 0; skip < 2 && *p; ++skip) {
            while (*p && !IsSep(*p)) ++p;
            while (IsSep(*p)) ++p;
        }
    } else if (((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':') {
        p += 2;
    }
    std::string result;
    while (*p) {
        while (IsSep(*p)) ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && !IsSep(*p)) ++p;
        std::string part(start, size_t(p - start));
        if (part == "." || part == "..") continue;
        if (!result.empty()) result += '/';
        result += part;
    }
    return result;
}

std::string BaseName(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && !IsSep(path[i - 1])) --i;
    return path.substr(i);
}

bool Wanted(const TZipCommand* c, const TZipFileInfo& info) {
    if (!c->systemHidden && (info.attributes & (TV_ATTR_HIDDEN | TV_ATTR_SYSTEM))) return false;
    if (!info.isFolder && c->archiveOnly && !(info.attributes & TV_ATTR_ARCHIVE)) return false;
    return true;
}

std::string NameFor(TZipJob* job, const std::string& path, bool isFolder) {
    std::string p = job->c->shortNames ? job->fs->ShortPath(path.c_str()) : path;
    std::string stored = job->c->noFolderNames ? BaseName(p) : StoredNameFromPath(p);
    if (stored.empty()) return stored;
    if (isFolder) stored += '/';
    return job->fs->AnsiToUtf8(stored.c_str());
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (IsSep(x) && IsSep(y)) continue;
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void AddCandidate(TZipJob* job, const std::string& path, const TZipFileInfo& info) {
    if (SamePath(path, job->archivePath)) return;
    TCandidate cand;
    cand.path = path;
    cand.info = info;
    cand.isFolder = info.isFolder != 0;
    cand.storedName = NameFor(job, path, cand.isFolder);
    if (cand.storedName.empty() || cand.storedName == "/") return;
    job->candidates.push_back(std::move(cand));
}

struct TWalk {
    TZipJob* job;
    const std::string* folder;
    const char* mask;
    std::vector<std::pair<std::string, TZipFileInfo>> entries;
};

void CollectEntry(void* ctx, const char* name, const TZipFileInfo& info) {
    TWalk* w = static_cast<TWalk*>(ctx);
    w->entries.emplace_back(JoinPath(*w->folder, name, w->job->fs->Separator()), info);
}

// Adds the files of a folder that match mask; with recurse also those of its subfolders.
void WalkFolder(TZipJob* job, const std::string& folder, const char* mask, int depth) {
    if (depth > 64) return;
    TWalk w{job, &folder, mask, {}};
    job->fs->ListFolder(folder.c_str(), CollectEntry, &w);
    for (auto& e : w.entries) {
        if (!Wanted(job->c, e.second)) continue;
        if (e.second.isFolder) {
            if (!job->c->recurse) continue;
            if (!job->c->noFolderNames) AddCandidate(job, e.first, e.second);
            WalkFolder(job, e.first, mask, depth + 1);
        } else if (ZipMaskMatch(mask, BaseName(e.first).c_str())) {
            AddCandidate(job, e.first, e.second);
        }
    }
}

void Gather(TZipJob* job) {
    const char* cursor = job->c->itemList;
    char item[TV_ITEMLIST_SIZE];
    while (NextItemListEntry(&cursor, item, sizeof item)) {
        std::string path = item;
        if (path.empty()) continue;
        std::string base = BaseName(path);
        bool wild = base.find_first_of("*?") != std::string::npos;
        TZipFileInfo info;
        if (wild) {
            std::string folder = path.substr(0, path.size() - base.size());
            while (folder.size() > 1 && IsSep(folder.back())) folder.pop_back();
            if (folder.empty()) folder = ".";
            WalkFolder(job, folder, base.c_str(), 0);
        } else if (job->fs->GetInfo(path.c_str(), &info)) {
            if (info.isFolder) {
                while (path.size() > 1 && IsSep(path.back())) path.pop_back();
                if (job->c->recurse && !job->c->noFolderNames) AddCandidate(job, path, info);
                WalkFolder(job, path, "*", 0);
            } else if (Wanted(job->c, info)) {
                AddCandidate(job, path, info);
            }
        }
    }
}

uint32_t MemberDosTime(zip_t* za, zip_uint64_t index) {
    zip_stat_t st;
    if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_MTIME)) return 0;
    uint16_t d, t;
    DosFromTimeT(st.mtime, &d, &t);
    return (uint32_t(d) << 16) | t;
}

int RunDelete(TZipJob* job) {
    TZipCommand* c = job->c;
    int ze = 0;
    zip_t* za = OpenArchive(job->fs, job->archivePath.c_str(), 0, true, &ze);
    if (!za) return ze == ZIP_ER_NOENT ? TV_ZIP_OPENFAILED : ZipCodeFromZip(ze ? ze : ZIP_ER_NOZIP);
    zip_int64_t n = zip_get_num_entries(za, 0);
    std::vector<std::string> names;
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(za, zip_uint64_t(i), 0);
        names.push_back(name ? job->fs->Utf8ToAnsi(name) : std::string());
    }
    const char* cursor = c->itemList;
    char item[TV_ITEMLIST_SIZE];
    std::vector<bool> gone(size_t(n), false);
    while (NextItemListEntry(&cursor, item, sizeof item)) {
        bool wild = strpbrk(item, "*?") != nullptr;
        for (zip_int64_t i = 0; i < n; ++i) {
            if (gone[size_t(i)]) continue;
            bool hit = wild ? ZipMaskMatch(item, names[size_t(i)].c_str()) : SamePath(item, names[size_t(i)]);
            if (!hit && !wild) {  // a folder entry named without its trailing separator
                std::string withSep = std::string(item) + "/";
                hit = SamePath(withSep, names[size_t(i)]);
            }
            if (hit && zip_delete(za, zip_uint64_t(i)) == 0) {
                gone[size_t(i)] = true;
                ++c->count;
            }
        }
    }
    if (c->count == 0) {
        zip_discard(za);
        return TV_ZIP_NOTHING;
    }
    bool emptied = zip_get_num_entries(za, ZIP_FL_UNCHANGED) == zip_int64_t(c->count);
    zip_register_cancel_callback_with_state(za, ZipCancelProc, nullptr, job);
    zip_register_progress_callback_with_state(za, 0.01, ZipProgressProc, nullptr, job);
    if (zip_close(za) != 0) {
        int code = ZipCodeFromZip(zip_error_code_zip(zip_get_error(za)));
        zip_discard(za);
        return job->cancelled ? TV_ZIP_CANCELLED : code;
    }
    // An archive that lost its last member stays an archive (libzip removes the file).
    if (emptied) return CreateEmptyArchive(job->archivePath.c_str(), job->fs);
    return TV_ZIP_OK;
}

int RunAdd(TZipJob* job) {
    TZipCommand* c = job->c;
    Gather(job);
    if (job->candidates.empty()) {
        TZipFileInfo info;
        if (!job->fs->GetInfo(job->archivePath.c_str(), &info)) {
            int r = CreateEmptyArchive(job->archivePath.c_str(), job->fs);
            if (r) return r;
        }
        return TV_ZIP_NOTHING;
    }
    int ze = 0;
    zip_t* za = OpenArchive(job->fs, job->archivePath.c_str(), ZIP_CREATE, true, &ze);
    if (!za) return ZipCodeFromZip(ze ? ze : ZIP_ER_NOZIP);
    std::vector<size_t> added;
    for (size_t k = 0; k < job->candidates.size(); ++k) {
        TCandidate& cand = job->candidates[k];
        zip_int64_t existing = zip_name_locate(za, cand.storedName.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_UTF_8);
        uint32_t fileTime = (uint32_t(cand.info.dosDate) << 16) | cand.info.dosTime;
        if (c->function == TV_ZIP_FRESHEN && existing < 0) continue;
        if ((c->function == TV_ZIP_UPDATE || c->function == TV_ZIP_FRESHEN) && existing >= 0 &&
            MemberDosTime(za, zip_uint64_t(existing)) >= fileTime)
            continue;
        zip_int64_t index;
        if (cand.isFolder) {
            if (existing >= 0) {
                added.push_back(k);
                continue;
            }
            index = zip_dir_add(za, cand.storedName.c_str(), ZIP_FL_ENC_UTF_8);
            if (index < 0) continue;
        } else {
            TFileSource* fsrc = new TFileSource;
            fsrc->job = job;
            fsrc->path = cand.path;
            fsrc->displayName = cand.path;
            fsrc->size = cand.info.size;
            fsrc->mtime = TimeTFromDos(cand.info.dosDate, cand.info.dosTime);
            zip_source_t* src = zip_source_function(za, FileSourceProc, fsrc);
            if (!src) {
                delete fsrc;
                zip_discard(za);
                return TV_ZIP_NOMEMORY;
            }
            if (existing >= 0) {
                index = zip_file_replace(za, zip_uint64_t(existing), src, 0) == 0 ? existing : -1;
            } else {
                index = zip_file_add(za, cand.storedName.c_str(), src, ZIP_FL_ENC_UTF_8);
            }
            if (index < 0) {
                zip_source_free(src);
                continue;
            }
            int level = c->level < 0 ? 0 : (c->level > 9 ? 9 : c->level);
            zip_set_file_compression(za, zip_uint64_t(index), level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     zip_uint32_t(level));
            if (c->password[0]) zip_file_set_encryption(za, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, c->password);
        }
        zip_file_set_dostime(za, zip_uint64_t(index), cand.info.dosTime, cand.info.dosDate, 0);
        uint32_t dosAttrs = cand.info.attributes & 0x3F;
        if (cand.isFolder) dosAttrs |= TV_ATTR_FOLDER;
        uint32_t external = dosAttrs | ((cand.isFolder ? 0040755u : 0100644u) << 16);
        if (dosAttrs & TV_ATTR_READONLY) external &= ~(0222u << 16);
        zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, external);
        added.push_back(k);
    }
    if (added.empty()) {
        zip_discard(za);
        return TV_ZIP_NOTHING;
    }
    zip_register_cancel_callback_with_state(za, ZipCancelProc, nullptr, job);
    zip_register_progress_callback_with_state(za, 0.01, ZipProgressProc, nullptr, job);
    if (zip_close(za) != 0) {
        int ze2 = zip_error_code_zip(zip_get_error(za));
        zip_discard(za);
        if (job->cancelled) return TV_ZIP_CANCELLED;
        if (job->readFailed) return TV_ZIP_READFAILED;
        return ZipCodeFromZip(ze2);
    }
    c->count = 0;
    for (size_t k : added)
        if (!job->candidates[k].isFolder) ++c->count;
    Status(c->majorStatus, "", 100, c->userValue);
    if (c->clearArchive) {
        for (size_t k : added) {
            const TCandidate& cand = job->candidates[k];
            if (!cand.isFolder && (cand.info.attributes & TV_ATTR_ARCHIVE))
                job->fs->SetAttributes(cand.path.c_str(), cand.info.attributes & ~uint32_t(TV_ATTR_ARCHIVE));
        }
    }
    if (c->deleteSources) {
        for (size_t k : added)
            if (!job->candidates[k].isFolder) job->fs->RemoveFile(job->candidates[k].path.c_str());
        // Folders that are empty now go too, deepest first.
        for (size_t i = added.size(); i-- > 0;)
            if (job->candidates[added[i]].isFolder) job->fs->RemoveFolder(job->candidates[added[i]].path.c_str());
    }
    return TV_ZIP_OK;
}

}  // namespace

void ResetZipCommand(TZipCommand* c) {
    if (!c) return;
    c->function = TV_ZIP_ADD;
    c->zipFile[0] = 0;
    memset(c->itemList, 0, sizeof c->itemList);
    c->level = 5;
    c->recurse = c->noFolderNames = c->systemHidden = c->shortNames = 0;
    c->archiveOnly = c->clearArchive = c->deleteSources = 0;
    memset(c->password, 0, sizeof c->password);
    c->count = 0;
    c->messageProc = nullptr;
    c->minorStatus = c->majorStatus = nullptr;
    c->userValue = 0;
    c->fileSystem = nullptr;
}

int RunZipCommand(TZipCommand* c) {
    if (!c) return TV_ZIP_BADPARAM;
    TZipJob job;
    job.c = c;
    job.fs = FsOf(c->fileSystem);
    job.archivePath = Unquote(c->zipFile);
    if (job.archivePath.empty()) return TV_ZIP_BADPARAM;
    c->itemList[TV_ITEMLIST_SIZE - 1] = 0;
    c->password[TV_ZIP_PASSWORD_SIZE - 1] = 0;
    c->count = 0;
    switch (c->function) {
    case TV_ZIP_ADD:
    case TV_ZIP_UPDATE:
    case TV_ZIP_FRESHEN:
        return RunAdd(&job);
    case TV_ZIP_DELETE:
        return RunDelete(&job);
    default:
        return TV_ZIP_BADPARAM;
    }
}

int CreateEmptyArchive(const char* path, TZipFileSystem* fs) {
    fs = FsOf(fs);
    TZipFile* f = fs->Create(path);
    if (!f) return TV_ZIP_CREATEFAILED;
    static const unsigned char kEnd[22] = {0x50, 0x4b, 0x05, 0x06};
    int ok = f->Write(kEnd, sizeof kEnd) && f->Close();
    delete f;
    return ok ? TV_ZIP_OK : TV_ZIP_WRITEFAILED;
}
