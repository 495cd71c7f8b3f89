// The program's texts by string-table id, for code that cannot load resources (the platform-free
// core, native tools and tests). The table is generated from resources/strings.def, the same
// source as the Windows string table, so both always agree.
#pragma once

#include <cstdint>

// Returns the text of the id, or an empty text ("") when the table has none.
const char* TvString(uint32_t id);
