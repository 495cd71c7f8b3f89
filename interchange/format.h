// Interchange files (".tvi"): a 32-byte header, a record part (the category, download and
// bookmark sections of an excerpt, or the database body of a full backup) and one stored-file
// block per download and shortcut, in the order of their records. This file holds the pieces of
// the layout itself: the header, the blocks and a read buffer. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "database/settings.h"
#include "util/stream.h"

// "TV240000INTERCHANGEFILE": characters 2 to 7 are the format version.
constexpr char TV_INTERCHANGE_MAGIC[] = "TV240000INTERCHANGEFILE";
constexpr size_t TV_INTERCHANGE_MAGIC_SIZE = 23;
constexpr size_t TV_INTERCHANGE_HEADER_SIZE = 32;
constexpr int32_t TV_INTERCHANGE_VERSION = 240000;
// Kinds of file (header byte 23) and the settings' mark of an unusable file.
enum : uint8_t { TV_INTERCHANGE_EXCERPT = 0, TV_INTERCHANGE_BACKUP = 1, TV_INTERCHANGE_UNUSABLE = 255 };
// Stored files are copied through one buffer of at most this size (never loaded whole). 128 KB:
// with 20,000-byte chunks writing or reading 200 MB of stored files took about twice as long as
// cp under Wine; at this size the copy costs no more processor time than cp (bench/).
constexpr size_t TV_INTERCHANGE_CHUNK = 131072;
// The largest stored file a block can hold (its length is a signed 32-bit number).
constexpr int64_t TV_INTERCHANGE_MAX_BLOCK = 0x7FFFFFFF;

// Where in a 4 KB page of memory a copy buffer should start (0 to 4095) when it is filled from
// file position `from` and written out at file position `to`. The system moves file data to and
// from the buffer a page at a time; on some processors such a move runs four to five times
// slower when its destination lies 1 to 31 bytes after its source within a page (measured on
// the build machine: 200 MB read into a buffer 16 bytes past a page boundary took 4 x as long,
// a block written to a file position 4 bytes further than its buffer's 2 to 3 x). The offset
// keeps both moves at least TV_INTERCHANGE_NEAR bytes out of that window, and each buffer at
// the same place in its page as the file position on one side.
constexpr size_t TV_INTERCHANGE_PAGE = 4096;
constexpr size_t TV_INTERCHANGE_NEAR = 64;
size_t InterchangeBufferOffset(int64_t from, int64_t to);

// Version of a 23-byte magic text: its characters 2 to 7 as a number when the rest matches the
// magic (letters compared without regard to case), else 0.
int32_t ParseInterchangeVersion(const char* magic);

// Writes the magic, the kind byte and the two included flags (32 bytes).
bool WriteInterchangeHeader(TByteStream* file, const InterchangeFileSettings& settings);

// Reads the header into settings and returns the version (0 when there is no interchange
// header). A file that is no interchange file, an older version, or a header whose kind or flags
// are not values the writer produces (kind 0 or 1, flags 0 or 1) marks settings unusable: kind 255
// and both flags 0. The category ids and the path are not touched.
int32_t ReadInterchangeHeader(TByteStream* file, InterchangeFileSettings* settings);

// Called between chunks of a copy (the Windows layer dispatches waiting window messages there).
struct TPumpHook {
    void (*pump)(void* context) = nullptr;
    void* context = nullptr;
    void operator()() const {
        if (pump) pump(context);
    }
};

// --- Writing a block.
struct TBlockWriteResult {
    int64_t length = 0;   // N, as written
    bool changed = false;  // the source did not hold exactly N bytes: cut or padded with zeros
    bool ok = false;       // the output took every byte
};
// Writes one block: N = length, then exactly N bytes of source (null: no file, N must be 0). A
// source that ends before N bytes is padded with zeros, one that still has bytes after N is cut:
// either way the block keeps the N bytes it promises and result->changed says so. Lengths below
// 0 or above TV_INTERCHANGE_MAX_BLOCK are refused (nothing written, false). Copies through one
// TV_INTERCHANGE_CHUNK buffer, calling pump after every chunk.
bool WriteStoredFileBlock(TByteStream* out, TByteStream* source, int64_t length, const TPumpHook& pump,
                          TBlockWriteResult* result);

// --- Reading a block.
enum TBlockStatus {
    TV_BLOCK_OK = 0,
    TV_BLOCK_END,           // no block at all: the file ends before its length
    TV_BLOCK_CUT,           // the length promises more bytes than the file still holds
    TV_BLOCK_BAD_LENGTH,    // a negative length
    TV_BLOCK_WRITE_FAILED   // the destination refused bytes; the block was still read to its end
};
// Reads a block's length. Returns TV_BLOCK_OK with *length when the whole block is in the file
// (the length is checked against the bytes that remain, never trusted); otherwise the block and
// everything after it cannot be paired with records any more.
TBlockStatus BeginStoredFileBlock(TByteStream* in, int64_t* length);
// Copies the length bytes that follow into sink (null: skips them). Returns TV_BLOCK_OK,
// TV_BLOCK_CUT when the file ends early, or TV_BLOCK_WRITE_FAILED when sink refused bytes (the
// rest of the block is then skipped, so the next block is still found). Allocates nothing from
// the length: one TV_INTERCHANGE_CHUNK buffer, pump after every pass.
TBlockStatus CopyStoredFileBlock(TByteStream* in, int64_t length, TByteStream* sink, const TPumpHook& pump);

// A read buffer over another stream (the record part is read in many small pieces). Seeks go
// through to the inner stream; the buffer is dropped then.
class TBufferedReadStream : public TByteStream {
public:
    explicit TBufferedReadStream(TByteStream* inner, size_t bufferSize = 65536);
    size_t Read(void* buffer, size_t size) override;
    bool Write(const void*, size_t) override { return false; }
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override;
    int64_t Size() const override { return inner_->Size(); }

private:
    TByteStream* inner_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0;  // next unread byte in buffer_
    size_t end_ = 0;    // bytes held in buffer_
};
