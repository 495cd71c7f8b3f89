// Text lines of the export formats, written to a byte stream.
#pragma once

#include "util/stream.h"

// Writes the text's bytes (when non-empty), then CR LF when addLineEnd is set. Nothing is written
// for a null stream (returns false) or a null text (returns true). Returns false when the stream
// failed.
bool WriteTextLine(TByteStream* file, const char* text, int addLineEnd);

// Writes the template with the first occurrence of the placeholder (default "%s", found
// case-insensitively) replaced by value (null = empty), then CR LF when addLineEnd is set.
bool WriteTemplateLine(TByteStream* file, const char* templateText, const char* value, int addLineEnd,
                       const char* placeholder = nullptr);
