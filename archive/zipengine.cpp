// The ZIP engine over libzip. Archives are read and written through our own zip source over the
// engine's file system, which also presents archives behind an executable stub whose offsets were
// not corrected as a shifted view that starts at the real first member.
#include "archive/zipengine.h"

#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/zipfs.h"
#include "util/text.h"
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

    zip_int64_t Fail(int zipError) {
        zip_error_set(&error, zipError, 0);
        return -1;
    }

    // --- Reading
    zip_int64_t Open() {
        if (!in) {
            in = fs->OpenRead(path.c_str());
            if (!in) return Fail(ZIP_ER_OPEN);
            size = in->Size() - shift;
            if (size < 0) size = 0;
            bufferLength = 0;
        }
        pos = 0;
        return 0;
    }
    zip_int64_t Read(void* data, zip_uint64_t len) { return in ? ReadAt(data, len) : Fail(ZIP_ER_READ); }
    zip_int64_t Stat(void* data, zip_uint64_t len) {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error);
        if (!st) return -1;
        TZipFileInfo info;
        if (!fs->GetInfo(path.c_str(), &info) || info.isFolder) {
            // What libzip takes for "no such file" (a new archive may then be created).
            zip_error_set(&error, ZIP_ER_READ, 2 /* ENOENT */);
            return -1;
        }
        zip_stat_init(st);
        int64_t bytes = int64_t(info.size) - shift;
        st->size = zip_uint64_t(bytes < 0 ? 0 : bytes);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
    }
    zip_int64_t SeekRead(void* data, zip_uint64_t len) {
        if (!in) return Fail(ZIP_ER_SEEK);
        zip_int64_t target = zip_source_seek_compute_offset(zip_uint64_t(pos), zip_uint64_t(size), data, len, &error);
        if (target < 0) return -1;
        pos = target;  // the read that follows moves the file (or finds the bytes buffered)
        return 0;
    }

    // --- Writing: a temporary file beside the archive replaces it on commit.
    // The new archive keeps what comes before the archive proper (an executable stub) and, when
    // cloning, the unchanged members up to `cloned`: libzip then writes only from there on.
    zip_int64_t BeginWrite(int64_t cloned) {
        const int64_t keep = shift + cloned;
        for (int i = 0; i < 1000; ++i) {
            char suffix[32];
            snprintf(suffix, sizeof suffix, ".tv%03d.tmp", i);
            std::string candidate = path + suffix;
            TZipFileInfo info;
            if (fs->GetInfo(candidate.c_str(), &info)) continue;
            out = fs->Create(candidate.c_str());
            if (!out) break;
            tempPath = candidate;
            if (keep > 0 && !CopyPrefix(keep)) {
                delete out;
                out = nullptr;
                fs->RemoveFile(candidate.c_str());
                return Fail(ZIP_ER_WRITE);
            }
            return 0;
        }
        return Fail(ZIP_ER_TMPOPEN);
    }
    zip_int64_t Write(const void* data, zip_uint64_t len) {
        if (!out || !out->Write(data, size_t(len))) return Fail(ZIP_ER_WRITE);
        return zip_int64_t(len);
    }
    zip_int64_t SeekWrite(void* data, zip_uint64_t len) {
        if (!out) return -1;
        zip_int64_t target = zip_source_seek_compute_offset(zip_uint64_t(out->Tell() - shift),
                                                            zip_uint64_t(out->Size() - shift), data, len, &error);
        if (target < 0) return -1;
        return out->Seek(target + shift) ? 0 : Fail(ZIP_ER_SEEK);
    }
    zip_int64_t CommitWrite() {
        if (!out) return -1;
        int ok = out->Close();
        delete out;
        out = nullptr;
        delete in;
        in = nullptr;
        if (!ok || !fs->Replace(tempPath.c_str(), path.c_str())) {
            fs->RemoveFile(tempPath.c_str());
            return Fail(ok ? ZIP_ER_RENAME : ZIP_ER_WRITE);
        }
        bufferLength = 0;  // the new file keeps the stub: the shift stays
        return 0;
    }
    zip_int64_t RollbackWrite() {
        if (out) {
            delete out;
            out = nullptr;
            fs->RemoveFile(tempPath.c_str());
        }
        return 0;
    }
    // The archive lost its last member: libzip removes the file.
    zip_int64_t Remove() {
        delete in;
        in = nullptr;
        bufferLength = 0;
        return fs->RemoveFile(path.c_str()) ? 0 : Fail(ZIP_ER_REMOVE);
    }
    zip_int64_t Supports() const {
        return writable ? (ZIP_SOURCE_SUPPORTS_WRITABLE | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_BEGIN_WRITE_CLONING))
                        : ZIP_SOURCE_SUPPORTS_SEEKABLE;
    }
};

zip_int64_t ArchiveSourceProc(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    TArchiveSource* s = static_cast<TArchiveSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN: return s->Open();
    case ZIP_SOURCE_READ: return s->Read(data, len);
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: return s->Stat(data, len);
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        delete s;
        return 0;
    case ZIP_SOURCE_SEEK: return s->SeekRead(data, len);
    case ZIP_SOURCE_TELL: return s->in ? s->pos : 0;
    case ZIP_SOURCE_BEGIN_WRITE: return s->BeginWrite(0);
    case ZIP_SOURCE_BEGIN_WRITE_CLONING: return s->BeginWrite(int64_t(len));
    case ZIP_SOURCE_WRITE: return s->Write(data, len);
    case ZIP_SOURCE_SEEK_WRITE: return s->SeekWrite(data, len);
    case ZIP_SOURCE_TELL_WRITE: return s->out ? s->out->Tell() - s->shift : -1;
    case ZIP_SOURCE_COMMIT_WRITE: return s->CommitWrite();
    case ZIP_SOURCE_ROLLBACK_WRITE: return s->RollbackWrite();
    case ZIP_SOURCE_REMOVE: return s->Remove();
    case ZIP_SOURCE_SUPPORTS: return s->Supports();
    default: return s->Fail(ZIP_ER_OPNOTSUPP);
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

}  // namespace

// Every libzip error has the nearest of the engine's codes; a member's data that cannot be read
// as its headers say is a damaged member, not a damaged archive nor an internal fault.
int UnzipResultOfLibzipError(int zipError, int forMember) {
    switch (zipError) {
    case ZIP_ER_OK: return TV_UNZIP_OK;
    case ZIP_ER_MULTIDISK: return TV_UNZIP_MULTIVOLUME;
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN:
    case ZIP_ER_INUSE: return TV_UNZIP_OPENFAILED;
    case ZIP_ER_MEMORY: return TV_UNZIP_NOMEMORY;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL: return forMember ? TV_UNZIP_BADDATA : TV_UNZIP_OPENFAILED;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF: return forMember ? TV_UNZIP_BADDATA : TV_UNZIP_NOTZIP;
    case ZIP_ER_INVAL: return forMember ? TV_UNZIP_BADDATA : TV_UNZIP_INTERNAL;
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA: return TV_UNZIP_BADDATA;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP: return TV_UNZIP_UNSUPPORTED;
    case ZIP_ER_NOPASSWD: return TV_UNZIP_NOPASSWORD;
    case ZIP_ER_WRONGPASSWD: return TV_UNZIP_BADPASSWORD;
    case ZIP_ER_CANCELLED: return TV_UNZIP_CANCELLED;
    default: return TV_UNZIP_INTERNAL;  // errors of writing or of the library's own state
    }
}

int ZipResultOfLibzipError(int zipError) {
    switch (zipError) {
    case ZIP_ER_OK: return TV_ZIP_OK;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
    case ZIP_ER_MULTIDISK: return TV_ZIP_NOTZIP;
    case ZIP_ER_CRC:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB: return TV_ZIP_BADARCHIVE;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP: return TV_ZIP_UNSUPPORTED;
    case ZIP_ER_MEMORY: return TV_ZIP_NOMEMORY;
    case ZIP_ER_CANCELLED: return TV_ZIP_CANCELLED;
    case ZIP_ER_WRITE:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE:
    case ZIP_ER_REMOVE: return TV_ZIP_WRITEFAILED;
    case ZIP_ER_TMPOPEN: return TV_ZIP_CREATEFAILED;
    case ZIP_ER_OPEN:
    case ZIP_ER_NOENT:
    case ZIP_ER_INUSE: return TV_ZIP_OPENFAILED;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL: return TV_ZIP_READFAILED;
    default: return TV_ZIP_BADPARAM;  // the library's own state or parameters: an internal fault
    }
}

namespace {

int UnzipArchiveResult(int zipError) { return UnzipResultOfLibzipError(zipError, 0); }

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
    // The reentrant forms: archives are read on several threads at once.
    struct tm parts;
#ifdef _WIN32
    struct tm* local = localtime_s(&parts, &t) == 0 ? &parts : nullptr;
#else
    struct tm* local = localtime_r(&t, &parts);
#endif
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
    if (zip_stat_index(za, index, 0, &st) != 0) return UnzipArchiveResult(zip_error_code_zip(zip_get_error(za)));
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
    c->renamed = 0;
    c->writtenPath[0] = 0;
    c->writtenProc = nullptr;
    c->writtenUser = 0;
    c->messageProc = nullptr;
    c->minorStatus = c->majorStatus = nullptr;
    c->userValue = 0;
    c->fileSystem = nullptr;
}

namespace {

// Room for a member path in UTF-8 (up to four bytes for each of TV_PATH_SIZE characters).
constexpr size_t kUtf8PathSize = TV_PATH_SIZE * 4;

// Characters of a UTF-8 text as the wide-character API counts them (UTF-16 units).
size_t Utf16Length(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char b : utf8) {
        if ((b & 0xC0) == 0x80) continue;
        n += (b & 0xF8) == 0xF0 ? 2 : 1;
    }
    return n;
}

// One extract or test run over the selected members. Paths are UTF-8: members are written under
// their true names.
struct TExtractJob {
    TUnzipCommand* c = nullptr;
    zip_t* za = nullptr;
    TZipFileSystem* fs = nullptr;
    bool testOnly = false;
    char sep = '/';
    std::string destination;
    uint64_t total = 0;  // bytes of the selected members
    uint64_t done = 0;   // bytes of the members before the current one
    std::vector<char> buffer;
    // Folders on the way: key of the path asked for -> the path made (a folder whose name collides
    // with a file of this run is made under a unique name, and the members below it follow).
    std::map<std::string, std::string> folders;
    // Keys of every file and folder this run made: a later member landing on one of them collides.
    std::set<std::string> made;
};

// One member on its way out.
struct TMemberJob {
    zip_uint64_t index = 0;
    MemberInfo info;        // the ANSI name is the item text of the status callbacks
    zip_stat_t st;
    std::string storedName; // UTF-8
    bool folderEntry = false;
    bool encrypted = false;
    std::string target;     // where the file goes
    bool renamed = false;   // the target got a unique name
};

int DescribeMember(TExtractJob& job, zip_uint64_t index, TMemberJob* m) {
    int r = FillMemberInfo(job.za, job.fs, index, &m->info);
    if (r) return r;
    zip_stat_init(&m->st);
    zip_stat_index(job.za, index, 0, &m->st);
    m->index = index;
    m->storedName = m->st.name ? m->st.name : "";
    m->folderEntry = (m->info.attributes & TV_ZIPATTR_FOLDER) != 0;
    m->encrypted = (m->info.attributes & TV_ZIPATTR_ENCRYPTED) != 0;
    return TV_UNZIP_OK;
}

// The member's path below the destination, made safe (its base name alone when folders are
// ignored); false when nothing usable remains.
bool MemberRelativePath(const TExtractJob& job, const TMemberJob& m, std::string* rel) {
    const char* stored = m.storedName.c_str();
    if (job.c->ignoreFolders) {
        for (const char* p = m.storedName.c_str(); *p; ++p)
            if (IsSep(*p)) stored = p + 1;
    }
    std::vector<char> out(kUtf8PathSize);
    if (!SafeMemberPath(stored, job.sep, out.data(), out.size())) return false;
    rel->assign(out.data());
    return true;
}

// A name for path that nothing has yet: "name (2).ext", "name (3).ext", ...; empty when none.
std::string UniqueName(TExtractJob& job, const std::string& path) {
    size_t baseStart = path.size();
    while (baseStart > 0 && !IsSep(path[baseStart - 1])) --baseStart;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= baseStart) dot = path.size();
    const std::string stem = path.substr(0, dot), extension = path.substr(dot);
    for (int i = 2; i < 1000; ++i) {
        std::string candidate = stem + " (" + std::to_string(i) + ")" + extension;
        TZipFileInfo info;
        if (job.made.count(job.fs->NameKeyUtf8(candidate.c_str()))) continue;
        if (!job.fs->GetInfoUtf8(candidate.c_str(), &info)) return candidate;
    }
    return std::string();
}

// Tells the caller of a file written or a folder made, by its ANSI path (none: not told).
void TellWritten(TExtractJob& job, const std::string& path, int isFolder) {
    std::string ansi = job.fs->AnsiPathOfUtf8(path.c_str());
    if (!isFolder) CopyLimited(job.c->writtenPath, ansi.c_str(), sizeof job.c->writtenPath);
    if (job.c->writtenProc && !ansi.empty()) job.c->writtenProc(ansi.c_str(), isFolder, job.c->writtenUser);
}

// Makes one folder; where a file of this run has its name, under a unique name instead.
int MakeFolder(TExtractJob& job, const std::string& path, std::string* made, bool* renamed) {
    const std::string key = job.fs->NameKeyUtf8(path.c_str());
    auto known = job.folders.find(key);
    if (known != job.folders.end()) {
        *made = known->second;
        return TV_UNZIP_OK;
    }
    std::string actual = path;
    if (!job.fs->CreateFolderUtf8(path.c_str())) {
        TZipFileInfo info;
        if (!job.made.count(key) || !job.fs->GetInfoUtf8(path.c_str(), &info) || info.isFolder)
            return TV_UNZIP_OUTPUTFAILED;
        actual = UniqueName(job, path);
        if (actual.empty() || !job.fs->CreateFolderUtf8(actual.c_str())) return TV_UNZIP_OUTPUTFAILED;
        *renamed = true;
    }
    job.folders[key] = actual;
    job.made.insert(job.fs->NameKeyUtf8(actual.c_str()));
    TellWritten(job, actual, 1);
    *made = actual;
    return TV_UNZIP_OK;
}

// The folders on the way (every part was made safe) and the member's target; a folder entry is
// made itself.
int PlaceMember(TExtractJob& job, const std::string& rel, TMemberJob* m) {
    std::string parent = job.destination;
    const char* p = rel.c_str();
    while (const char* q = strchr(p, job.sep)) {
        int r = MakeFolder(job, JoinPath(parent, std::string(p, size_t(q - p)), job.sep), &parent, &m->renamed);
        if (r) return r;
        p = q + 1;
    }
    m->target = JoinPath(parent, p, job.sep);
    if (m->folderEntry) return MakeFolder(job, m->target, &m->target, &m->renamed);
    return Utf16Length(m->target) < TV_PATH_SIZE ? TV_UNZIP_OK : TV_UNZIP_OUTPUTFAILED;
}

// A file that is already there: one this run wrote (two names that become the same file) makes the
// member take a unique name; any other is replaced, kept or asked about as the options say.
int SettleExistingFile(TExtractJob& job, TMemberJob* m) {
    TZipFileInfo existing;
    if (!job.fs->GetInfoUtf8(m->target.c_str(), &existing)) return TV_UNZIP_OK;
    if (job.made.count(job.fs->NameKeyUtf8(m->target.c_str()))) {
        std::string unique = UniqueName(job, m->target);
        if (unique.empty() || Utf16Length(unique) >= TV_PATH_SIZE) return TV_UNZIP_OUTPUTFAILED;
        m->target = unique;
        m->renamed = true;
        return TV_UNZIP_OK;
    }
    if (existing.isFolder) return TV_UNZIP_OUTPUTFAILED;
    uint32_t have = (uint32_t(existing.dosDate) << 16) | existing.dosTime;
    uint32_t mine = (uint32_t(m->info.dosDate) << 16) | m->info.dosTime;
    if (job.c->skipOlder && have >= mine) return TV_UNZIP_SKIPPED;
    if (!job.c->overwrite) {
        TZipMessageProc ask = job.c->messageProc ? job.c->messageProc : DynaZipNoFeedbackMessageProc;
        if (ask(TV_ZIPMSG_OVERWRITE, uint32_t(m->index), 0, 0, 0, 0, 0) != 1) return TV_UNZIP_SKIPPED;
    }
    return TV_UNZIP_OK;
}

// Methods we cannot decode give a clean error for this member (negative: skip it and go on, as
// the message proc answered); an encrypted member needs a password.
int CheckDecodable(TExtractJob& job, const TMemberJob& m) {
    const zip_stat_t& st = m.st;
    bool methodOk = (st.valid & ZIP_STAT_COMP_METHOD) &&
                    (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE ||
                     zip_compression_method_supported(st.comp_method, 0));
    bool cryptOk = !m.encrypted || zip_encryption_method_supported(st.encryption_method, 0);
    if (!methodOk || !cryptOk) {
        TZipMessageProc ask = job.c->messageProc ? job.c->messageProc : DynaZipNoFeedbackMessageProc;
        if (ask(TV_ZIPMSG_UNSUPPORTED, uint32_t(m.index), 0, 0, 0, 0, 0) == 3) return -TV_UNZIP_UNSUPPORTED;
        return TV_UNZIP_UNSUPPORTED;
    }
    if (m.encrypted && !job.c->password[0]) return TV_UNZIP_NOPASSWORD;
    return TV_UNZIP_OK;
}

// A libzip error while reading the member's data. Traditional encryption checks only one byte of
// the password, so a wrong one mostly shows as damaged data; WinZip AES checks the password itself
// and guards the data with a MAC, so there damaged data is what it says.
int MemberReadResult(const TMemberJob& m, int zipError) {
    if (m.encrypted && m.st.encryption_method == ZIP_EM_TRAD_PKWARE &&
        (zipError == ZIP_ER_CRC || zipError == ZIP_ER_COMPRESSED_DATA || zipError == ZIP_ER_ZLIB))
        return TV_UNZIP_BADPASSWORD;
    return UnzipResultOfLibzipError(zipError, 1);
}

// Decodes the member into out (null: test only), checking its size and reporting progress.
int CopyMemberData(TExtractJob& job, const TMemberJob& m, TZipFile* out) {
    TUnzipCommand* c = job.c;
    zip_file_t* zf = zip_fopen_index_encrypted(job.za, m.index, 0, m.encrypted ? c->password : nullptr);
    if (!zf) {
        int ze = zip_error_code_zip(zip_get_error(job.za));
        zip_error_clear(job.za);
        return MemberReadResult(m, ze);
    }
    const uint64_t expected = m.st.size;
    uint64_t written = 0;
    int result = TV_UNZIP_OK;
    int lastPercent = -1;
    if (Status(c->minorStatus, m.info.name, 0, c->userValue)) result = TV_UNZIP_CANCELLED;
    while (result == TV_UNZIP_OK) {
        zip_int64_t n = zip_fread(zf, job.buffer.data(), job.buffer.size());
        if (n < 0) {
            result = MemberReadResult(m, zip_error_code_zip(zip_file_get_error(zf)));
            break;
        }
        if (n == 0) break;
        if (written + uint64_t(n) > expected) {  // more data than the header admits
            result = TV_UNZIP_BADDATA;
            break;
        }
        if (out && !out->Write(job.buffer.data(), size_t(n))) {
            result = TV_UNZIP_DISKFULL;
            break;
        }
        written += uint64_t(n);
        int percent = expected ? int(written * 100 / expected) : 100;
        if (percent != lastPercent) {
            lastPercent = percent;
            if (Status(c->minorStatus, m.info.name, percent, c->userValue)) result = TV_UNZIP_CANCELLED;
            if (job.total &&
                Status(c->majorStatus, "", int32_t((job.done + written) * 100 / job.total), c->userValue))
                result = TV_UNZIP_CANCELLED;
        }
    }
    int closeError = zip_fclose(zf);
    if (result == TV_UNZIP_OK && closeError) result = MemberReadResult(m, closeError);
    if (result == TV_UNZIP_OK && written != expected) result = TV_UNZIP_BADDATA;
    return result;
}

// Writes the member into a temporary file beside its target, which replaces the target only when
// the member arrived complete and sound.
int WriteMemberFile(TExtractJob& job, const TMemberJob& m) {
    TZipFileSystem* fs = job.fs;
    const std::string temp = m.target + ".tvpart";
    TZipFile* out = fs->CreateUtf8(temp.c_str());
    if (!out) return TV_UNZIP_OUTPUTFAILED;
    int result = CopyMemberData(job, m, out);
    if (result == TV_UNZIP_OK) out->SetTime(m.info.dosDate, m.info.dosTime);
    if (!out->Close() && result == TV_UNZIP_OK) result = TV_UNZIP_DISKFULL;
    delete out;
    if (result == TV_UNZIP_OK && !fs->ReplaceUtf8(temp.c_str(), m.target.c_str())) result = TV_UNZIP_OUTPUTFAILED;
    if (result != TV_UNZIP_OK) {
        fs->RemoveFileUtf8(temp.c_str());
        return result;
    }
    uint32_t keep = m.info.attributes & (TV_ATTR_READONLY | TV_ATTR_HIDDEN | TV_ATTR_SYSTEM);
    if (keep) fs->SetAttributesUtf8(m.target.c_str(), keep | TV_ATTR_ARCHIVE);
    job.made.insert(fs->NameKeyUtf8(m.target.c_str()));
    TellWritten(job, m.target, 0);
    return TV_UNZIP_OK;
}

// Extracts (or tests) one member. Returns 0, a skip (TV_UNZIP_SKIPPED), an error code, or a
// negative code for an unsupported member skipped on request.
int ExtractMember(TExtractJob& job, zip_uint64_t index) {
    TMemberJob m;
    int r = DescribeMember(job, index, &m);
    if (r) return r;
    if (m.folderEntry && (job.testOnly || job.c->ignoreFolders)) return TV_UNZIP_OK;
    std::string rel;
    if (!MemberRelativePath(job, m, &rel)) return m.folderEntry ? TV_UNZIP_OK : TV_UNZIP_SKIPPED;
    if (!job.testOnly) {
        if (Utf16Length(JoinPath(job.destination, rel, job.sep)) >= TV_PATH_SIZE) return TV_UNZIP_OUTPUTFAILED;
        r = PlaceMember(job, rel, &m);
        if (r == TV_UNZIP_OK && !m.folderEntry) r = SettleExistingFile(job, &m);
        if (r != TV_UNZIP_OK || m.folderEntry) {
            if (r == TV_UNZIP_OK && m.renamed) ++job.c->renamed;
            return r;
        }
    }
    r = CheckDecodable(job, m);
    if (r) return r;
    r = job.testOnly ? CopyMemberData(job, m, nullptr) : WriteMemberFile(job, m);
    if (r == TV_UNZIP_OK) {
        ++job.c->count;
        if (m.renamed) ++job.c->renamed;
    }
    return r;
}

// The members to extract: the one index, or those whose ANSI name matches the spec.
int SelectMembers(TUnzipCommand* c, zip_t* za, TZipFileSystem* fs, std::vector<zip_uint64_t>* selected) {
    zip_int64_t n = zip_get_num_entries(za, 0);
    if (c->memberIndex >= 0) {
        if (c->memberIndex >= n) return TV_UNZIP_BADINDEX;
        selected->push_back(zip_uint64_t(c->memberIndex));
        return TV_UNZIP_OK;
    }
    const char* spec = c->fileSpec[0] ? c->fileSpec : "*.*";
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(za, zip_uint64_t(i), 0);
        if (!name) continue;
        std::string ansi = fs->Utf8ToAnsi(name);
        if (ZipMaskMatch(spec, ansi.c_str())) selected->push_back(zip_uint64_t(i));
    }
    return selected->empty() ? TV_UNZIP_NOTHING : TV_UNZIP_OK;
}

uint64_t MemberSize(zip_t* za, zip_uint64_t index) {
    zip_stat_t st;
    return zip_stat_index(za, index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
}

int RunExtract(TUnzipCommand* c, zip_t* za, TZipFileSystem* fs) {
    std::vector<zip_uint64_t> selected;
    int result = SelectMembers(c, za, fs, &selected);
    if (result) return result;
    TExtractJob job;
    job.c = c;
    job.za = za;
    job.fs = fs;
    job.testOnly = c->function == TV_UNZIP_TEST;
    job.sep = fs->Separator();
    job.destination = fs->AnsiToUtf8(c->destination);
    for (zip_uint64_t i : selected) job.total += MemberSize(za, i);
    if (c->destination[0] && !job.testOnly) fs->CreateFolder(c->destination);
    job.buffer.resize(kCopyBuffer);
    bool skipped = false;
    for (zip_uint64_t i : selected) {
        int r = ExtractMember(job, i);
        job.done += MemberSize(za, i);
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
    if (result == TV_UNZIP_OK && job.total) Status(c->majorStatus, "", 100, c->userValue);
    if (result == TV_UNZIP_OK && c->renamed) result = TV_UNZIP_RENAMED;
    if (result == TV_UNZIP_OK && skipped) result = TV_UNZIP_SKIPPED;
    return result;
}

}  // namespace

int RunUnzipCommand(TUnzipCommand* c) {
    if (!c) return TV_UNZIP_INTERNAL;
    TZipFileSystem* fs = FsOf(c->fileSystem);
    if (c->function == TV_UNZIP_EXTRACT || c->function == TV_UNZIP_TEST) {
        c->count = 0;
        c->renamed = 0;
        c->writtenPath[0] = 0;
    }
    std::string path = Unquote(c->zipFile);
    if (path.empty()) return TV_UNZIP_OPENFAILED;

    // A listing (the count, then the next member as often as counted) reads the archive once: a
    // count on a record with a member buffer keeps the archive open for the calls that follow.
    if (c->function == TV_UNZIP_COUNTALL && c->info) {
        delete c->state;
        c->state = new TUnzipState;
        int ze = 0;
        c->state->za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
        if (!c->state->za) return UnzipArchiveResult(ze ? ze : ZIP_ER_NOZIP);
        c->count = uint32_t(zip_get_num_entries(c->state->za, 0));
        return TV_UNZIP_OK;
    }

    if (c->function == TV_UNZIP_NEXT) {
        if (!c->info) return TV_UNZIP_INTERNAL;
        if (!c->state) {
            c->state = new TUnzipState;
            int ze = 0;
            c->state->za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
            if (!c->state->za) return UnzipArchiveResult(ze ? ze : ZIP_ER_NOZIP);
        }
        if (!c->state->za) return TV_UNZIP_OPENFAILED;
        zip_int64_t n = zip_get_num_entries(c->state->za, 0);
        if (c->state->next >= n) return TV_UNZIP_INTERNAL;
        return FillMemberInfo(c->state->za, fs, zip_uint64_t(c->state->next++), c->info);
    }

    int ze = 0;
    zip_t* za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
    if (!za) return UnzipArchiveResult(ze ? ze : ZIP_ER_NOZIP);
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
    if (!za) return ze == ZIP_ER_NOENT ? TV_ZIP_OPENFAILED : ZipResultOfLibzipError(ze ? ze : ZIP_ER_NOZIP);
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
        int code = ZipResultOfLibzipError(zip_error_code_zip(zip_get_error(za)));
        zip_discard(za);
        return job->cancelled ? TV_ZIP_CANCELLED : code;
    }
    // An archive that lost its last member stays an archive (libzip removes the file).
    if (emptied) return CreateEmptyArchive(job->archivePath.c_str(), job->fs);
    return TV_ZIP_OK;
}

// An add with nothing to add still leaves an archive: an empty one where there was none.
int NothingToAdd(TZipJob* job) {
    TZipFileInfo info;
    if (!job->fs->GetInfo(job->archivePath.c_str(), &info)) {
        int r = CreateEmptyArchive(job->archivePath.c_str(), job->fs);
        if (r) return r;
    }
    return TV_ZIP_NOTHING;
}

// Members by their names with ASCII letters folded, as libzip's case-insensitive look-up finds
// them (which scans every member on every call: adding many files took quadratic time).
class TMemberNames {
public:
    void Load(zip_t* za) {
        zip_int64_t n = zip_get_num_entries(za, 0);
        for (zip_int64_t i = 0; i < n; ++i)
            if (const char* name = zip_get_name(za, zip_uint64_t(i), 0)) Add(name, i);
    }
    zip_int64_t Find(const std::string& name) const {
        auto it = byName_.find(Fold(name));
        return it == byName_.end() ? -1 : it->second;
    }
    // The first member of a name is the one found, as with libzip.
    void Add(const std::string& name, zip_int64_t index) { byName_.emplace(Fold(name), index); }

private:
    static std::string Fold(std::string name) {
        for (char& ch : name)
            if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        return name;
    }
    std::unordered_map<std::string, zip_int64_t> byName_;
};

// Update and freshen take a file only when it is newer than its member; freshen only for members
// that are there.
bool TakesCandidate(const TZipCommand* c, zip_t* za, const TCandidate& cand, zip_int64_t existing) {
    if (c->function == TV_ZIP_FRESHEN && existing < 0) return false;
    uint32_t fileTime = (uint32_t(cand.info.dosDate) << 16) | cand.info.dosTime;
    if ((c->function == TV_ZIP_UPDATE || c->function == TV_ZIP_FRESHEN) && existing >= 0 &&
        MemberDosTime(za, zip_uint64_t(existing)) >= fileTime)
        return false;
    return true;
}

// Adds (or replaces) the member of a file, read through the file system when the archive is
// written; its index, -1 when libzip refused it, -2 when out of memory.
zip_int64_t AddFileMember(TZipJob* job, zip_t* za, const TCandidate& cand, zip_int64_t existing) {
    TFileSource* fsrc = new TFileSource;
    fsrc->job = job;
    fsrc->path = cand.path;
    fsrc->displayName = cand.path;
    fsrc->size = cand.info.size;
    fsrc->mtime = TimeTFromDos(cand.info.dosDate, cand.info.dosTime);
    zip_source_t* src = zip_source_function(za, FileSourceProc, fsrc);
    if (!src) {
        delete fsrc;
        return -2;
    }
    zip_int64_t index = existing >= 0 ? (zip_file_replace(za, zip_uint64_t(existing), src, 0) == 0 ? existing : -1)
                                      : zip_file_add(za, cand.storedName.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        return -1;
    }
    const TZipCommand* c = job->c;
    int level = c->level < 0 ? 0 : (c->level > 9 ? 9 : c->level);
    zip_set_file_compression(za, zip_uint64_t(index), level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                             zip_uint32_t(level));
    if (c->password[0]) zip_file_set_encryption(za, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, c->password);
    return index;
}

// The member's time and attributes: DOS attributes in the low byte, Unix modes above.
void SetMemberDetails(zip_t* za, zip_uint64_t index, const TCandidate& cand) {
    zip_file_set_dostime(za, index, cand.info.dosTime, cand.info.dosDate, 0);
    uint32_t dosAttrs = cand.info.attributes & 0x3F;
    if (cand.isFolder) dosAttrs |= TV_ATTR_FOLDER;
    uint32_t external = dosAttrs | ((cand.isFolder ? 0040755u : 0100644u) << 16);
    if (dosAttrs & TV_ATTR_READONLY) external &= ~(0222u << 16);
    zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX, external);
}

// Queues one candidate in the open archive. *queued tells whether it became (or already was) a
// member; the result is 0 or an error that ends the job.
int QueueCandidate(TZipJob* job, zip_t* za, TMemberNames* names, const TCandidate& cand, bool* queued) {
    *queued = false;
    zip_int64_t existing = names->Find(cand.storedName);
    if (!TakesCandidate(job->c, za, cand, existing)) return TV_ZIP_OK;
    zip_int64_t index;
    if (cand.isFolder) {
        if (existing >= 0) {
            *queued = true;
            return TV_ZIP_OK;
        }
        index = zip_dir_add(za, cand.storedName.c_str(), ZIP_FL_ENC_UTF_8);
    } else {
        index = AddFileMember(job, za, cand, existing);
        if (index == -2) return TV_ZIP_NOMEMORY;
    }
    if (index < 0) return TV_ZIP_OK;
    if (existing < 0) names->Add(cand.storedName, index);
    SetMemberDetails(za, zip_uint64_t(index), cand);
    *queued = true;
    return TV_ZIP_OK;
}

// Writes the archive with everything queued (libzip reads the files now); on failure the archive
// stays as it was.
int WriteArchive(TZipJob* job, zip_t* za) {
    zip_register_cancel_callback_with_state(za, ZipCancelProc, nullptr, job);
    zip_register_progress_callback_with_state(za, 0.01, ZipProgressProc, nullptr, job);
    if (zip_close(za) == 0) return TV_ZIP_OK;
    int ze = zip_error_code_zip(zip_get_error(za));
    zip_discard(za);
    if (job->cancelled) return TV_ZIP_CANCELLED;
    if (job->readFailed) return TV_ZIP_READFAILED;
    return ZipResultOfLibzipError(ze);
}

// After a successful add: the count, the archive attributes of the sources, and the sources
// themselves when moving (folders that are empty now go too, deepest first).
void FinishAddedSources(TZipJob* job, const std::vector<size_t>& added) {
    TZipCommand* c = job->c;
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
        for (size_t i = added.size(); i-- > 0;)
            if (job->candidates[added[i]].isFolder) job->fs->RemoveFolder(job->candidates[added[i]].path.c_str());
    }
}

int RunAdd(TZipJob* job) {
    Gather(job);
    if (job->candidates.empty()) return NothingToAdd(job);
    int ze = 0;
    zip_t* za = OpenArchive(job->fs, job->archivePath.c_str(), ZIP_CREATE, true, &ze);
    if (!za) return ZipResultOfLibzipError(ze ? ze : ZIP_ER_NOZIP);
    TMemberNames names;
    names.Load(za);
    std::vector<size_t> added;
    for (size_t k = 0; k < job->candidates.size(); ++k) {
        bool queued = false;
        int r = QueueCandidate(job, za, &names, job->candidates[k], &queued);
        if (r) {
            zip_discard(za);
            return r;
        }
        if (queued) added.push_back(k);
    }
    if (added.empty()) {
        zip_discard(za);
        return TV_ZIP_NOTHING;
    }
    int r = WriteArchive(job, za);
    if (r) return r;
    FinishAddedSources(job, added);
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

// ---------------------------------------------------------------------------------------------
// Reading members in memory

struct TZipReaderState {
    zip_t* za = nullptr;
    TZipFileSystem* fs = nullptr;
    zip_int64_t count = 0;
    std::vector<unsigned char> buffer;
    ~TZipReaderState() {
        if (za) zip_discard(za);
    }
};

TZipMemberReader::~TZipMemberReader() { Close(); }

void TZipMemberReader::Close() {
    delete state_;
    state_ = nullptr;
}

bool TZipMemberReader::IsOpen() const { return state_ && state_->za; }

int TZipMemberReader::Open(const char* archive, TZipFileSystem* fileSystem) {
    Close();
    TZipFileSystem* fs = FsOf(fileSystem);
    std::string path = Unquote(archive);
    if (path.empty()) return TV_UNZIP_OPENFAILED;
    int ze = 0;
    zip_t* za = OpenArchive(fs, path.c_str(), ZIP_RDONLY, false, &ze);
    if (!za) return UnzipArchiveResult(ze ? ze : ZIP_ER_NOZIP);
    state_ = new TZipReaderState;
    state_->za = za;
    state_->fs = fs;
    zip_int64_t n = zip_get_num_entries(za, 0);
    state_->count = n > 0 ? n : 0;
    return TV_UNZIP_OK;
}

uint32_t TZipMemberReader::Count() const {
    if (!IsOpen()) return 0;
    return state_->count > 0xFFFFFFFF ? 0xFFFFFFFFu : uint32_t(state_->count);
}

int TZipMemberReader::Member(uint32_t index, MemberInfo* info) const {
    if (!info) return TV_UNZIP_INTERNAL;
    if (!IsOpen()) return TV_UNZIP_OPENFAILED;
    if (zip_int64_t(index) >= state_->count) return TV_UNZIP_BADINDEX;
    return FillMemberInfo(state_->za, state_->fs, index, info);
}

namespace {

// The raw data of a stored or deflated entry, decompressed here: no CRC, and stored data reaches
// the sink straight from the read buffer. 0, TV_UNZIP_CANCELLED or the error.
int ReadUnchecked(zip_t* za, zip_uint64_t index, const zip_stat_t& st, std::vector<unsigned char>& buffer,
                  TZipMemberReader::TSink sink, void* context) {
    zip_file_t* zf = zip_fopen_index(za, index, ZIP_FL_COMPRESSED);
    if (!zf) {
        int ze = zip_error_code_zip(zip_get_error(za));
        zip_error_clear(za);
        return UnzipResultOfLibzipError(ze, 1);
    }
    const bool stored = st.comp_method == ZIP_CM_STORE;
    const uint64_t expected = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    // Half the buffer takes the compressed data, the other half what it inflates to.
    const size_t half = buffer.size() / 2;
    unsigned char* in = buffer.data();
    unsigned char* out = buffer.data() + half;
    z_stream z = {};
    bool inflating = false;
    int result = TV_UNZIP_OK;
    if (!stored) {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            zip_fclose(zf);
            return TV_UNZIP_NOMEMORY;
        }
        inflating = true;
    }
    uint64_t seen = 0;
    bool ended = stored;
    for (;;) {
        zip_int64_t n = zip_fread(zf, in, stored ? buffer.size() : half);
        if (n < 0) {
            result = UnzipResultOfLibzipError(zip_error_code_zip(zip_file_get_error(zf)), 1);
            break;
        }
        if (n == 0) break;
        if (stored) {
            if (seen + uint64_t(n) > expected) {
                result = TV_UNZIP_BADDATA;
                break;
            }
            seen += uint64_t(n);
            if (!sink(in, size_t(n), context)) {
                result = TV_UNZIP_CANCELLED;
                break;
            }
            continue;
        }
        z.next_in = in;
        z.avail_in = uInt(n);
        while (result == TV_UNZIP_OK && z.avail_in > 0 && !ended) {
            z.next_out = out;
            z.avail_out = uInt(half);
            const int zr = inflate(&z, Z_NO_FLUSH);
            if (zr != Z_OK && zr != Z_STREAM_END && zr != Z_BUF_ERROR) {
                result = TV_UNZIP_BADDATA;
                break;
            }
            const size_t produced = half - z.avail_out;
            if (seen + produced > expected) {
                result = TV_UNZIP_BADDATA;
                break;
            }
            seen += produced;
            if (produced && !sink(out, produced, context)) result = TV_UNZIP_CANCELLED;
            if (zr == Z_STREAM_END) ended = true;
            if (zr == Z_BUF_ERROR && produced == 0) break;  // needs more input
        }
        if (result != TV_UNZIP_OK) break;
    }
    if (inflating) inflateEnd(&z);
    zip_fclose(zf);
    if (result == TV_UNZIP_OK && (!ended || seen != expected)) result = TV_UNZIP_BADDATA;
    return result;
}

}  // namespace

int TZipMemberReader::Read(uint32_t index, TSink sink, void* context, int mode) {
    if (!sink) return TV_UNZIP_INTERNAL;
    if (!IsOpen()) return TV_UNZIP_OPENFAILED;
    zip_t* za = state_->za;
    if (zip_int64_t(index) >= state_->count) return TV_UNZIP_BADINDEX;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0) {
        int ze = zip_error_code_zip(zip_get_error(za));
        zip_error_clear(za);
        return UnzipResultOfLibzipError(ze, 1);
    }
    // The check comes before any byte is touched: no key is ever tried on an encrypted entry.
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) return TV_UNZIP_NOPASSWORD;
    bool methodOk = (st.valid & ZIP_STAT_COMP_METHOD) &&
                    (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE ||
                     zip_compression_method_supported(st.comp_method, 0));
    if (!methodOk) return TV_UNZIP_UNSUPPORTED;
    if (state_->buffer.empty()) state_->buffer.resize(kCopyBuffer);
    if (mode == TV_ZIPREAD_UNCHECKED && (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE))
        return ReadUnchecked(za, index, st, state_->buffer, sink, context);
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) {
        int ze = zip_error_code_zip(zip_get_error(za));
        zip_error_clear(za);
        return UnzipResultOfLibzipError(ze, 1);
    }
    const uint64_t expected = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    uint64_t seen = 0;
    int result = TV_UNZIP_OK;
    for (;;) {
        zip_int64_t n = zip_fread(zf, state_->buffer.data(), state_->buffer.size());
        if (n < 0) {
            result = UnzipResultOfLibzipError(zip_error_code_zip(zip_file_get_error(zf)), 1);
            break;
        }
        if (n == 0) break;
        if (seen + uint64_t(n) > expected) {  // more data than the header admits
            result = TV_UNZIP_BADDATA;
            break;
        }
        seen += uint64_t(n);
        if (!sink(state_->buffer.data(), size_t(n), context)) {
            result = TV_UNZIP_CANCELLED;
            break;
        }
    }
    int closeError = zip_fclose(zf);
    if (result == TV_UNZIP_OK && closeError) result = UnzipResultOfLibzipError(closeError, 1);
    if (result == TV_UNZIP_OK && seen != expected) result = TV_UNZIP_BADDATA;
    return result;
}
