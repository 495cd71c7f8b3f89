#include "util/strings.h"

#include <algorithm>
#include <iterator>

namespace {
struct StringEntry {
    uint32_t id;
    const char* text;
};
const StringEntry kStrings[] = {
#include "resources/strings_table.inc"
};
}  // namespace

const char* TvString(uint32_t id) {
    for (const StringEntry& e : kStrings)
        if (e.id == id) return e.text;
    return "";
}
