// Fuzz target for the database body reader: any bytes, any file version, with or without the
// window sections. Whatever was read must be written and read back to the same bytes (after one
// more pass: the category repair may turn a category with a kind out of range into a duplicate of
// another one, which the next read drops).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "database/body.h"

namespace {

const uint32_t kVersions[] = {250000, 240000, 239999, 230000, 229999, 100000};

std::vector<uint8_t> Save(TProgramData* data, uint32_t flags) {
    TMemoryStream out;
    if (!WriteDatabaseBody(&out, TV_DB_NO_HEADER | flags, data)) std::abort();
    return out.Data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 1) return 0;
    const uint32_t version = kVersions[(bytes[0] & 0x7F) % (sizeof kVersions / sizeof kVersions[0])];
    const uint32_t flags = (bytes[0] & 0x80) ? TV_DB_NO_WINDOW_SECTIONS : 0;

    TProgramData first;
    first.SetProgramFolder("C:\\Prog");
    first.ResetForLoad();
    TMemoryViewStream in(bytes + 1, size - 1);
    ReadDatabaseBody(&in, version, flags, &first);

    // What was read is stable: written in the current layout and read again, it gives the same
    // bytes.
    std::vector<uint8_t> previous = Save(&first, flags);
    for (int pass = 0; pass < 2; ++pass) {
        TProgramData next;
        next.SetProgramFolder("C:\\Prog");
        next.ResetForLoad();
        TMemoryViewStream again(previous.data(), previous.size());
        if (!ReadDatabaseBody(&again, TV_DB_VERSION_CURRENT, flags, &next)) std::abort();
        if (again.Position() != int64_t(previous.size())) std::abort();
        std::vector<uint8_t> written = Save(&next, flags);
        if (pass == 1 && written != previous) std::abort();
        previous = written;
    }
    return 0;
}
