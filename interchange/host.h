// What writing and reading an interchange file needs from outside the platform-free core: the
// stored files on disk, folders, the storage move, and the user interface (messages pumped between
// chunks, the cancel flag, progress). The Windows layer implements it over real files and the
// wizard pages; tests and the fuzz target implement it in memory.
#pragma once

#include <cstdint>
#include <memory>

#include "util/stream.h"

struct TProgramData;

// A stored file being received from an interchange file: written under a temporary name in its
// folder and put in its place only when complete, so a half-copied file never replaces anything.
class TIncomingFile {
public:
    // Deletes the temporary file unless it was committed.
    virtual ~TIncomingFile() = default;
    // The file's contents; readable again after a Seek to the start.
    virtual TByteStream* Stream() = 0;
    // Closes the file and puts it at path, replacing a file of that name. True on success (the
    // temporary file is gone either way).
    virtual bool Commit(const char* path) = 0;
};

class TInterchangeHost {
public:
    virtual ~TInterchangeHost() = default;

    // Size of the file now, -1 when it is not there or cannot be asked.
    virtual int64_t FileSize(const char* path) = 0;
    // Opens a stored file for reading; *size receives its size at opening. Null when it cannot be
    // opened.
    virtual std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) = 0;
    // Starts a new file in folder (which exists). Null when none can be created there.
    virtual std::unique_ptr<TIncomingFile> Receive(const char* folder) = 0;
    // Creates the folder and its missing parents; true when it exists afterwards.
    virtual bool EnsureFolder(const char* folder) = 0;
    // Moves the stored files of a kind (1 downloads, 3 shortcuts) from oldBase to the storage
    // location now in data's settings, as the preferences do when the location changes. Returns
    // 0 when done, -1 when the move was refused (nothing moved).
    virtual int RelocateStorage(TProgramData* data, const char* oldBase, int kind) = 0;

    // Between chunks and items: keeps the user interface alive.
    virtual void Pump() {}
    // The user confirmed cancelling.
    virtual bool Cancelled() { return false; }
    virtual void Progress(uint32_t /*done*/, uint32_t /*total*/) {}
};
