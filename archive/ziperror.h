// Messages of the ZIP engine's result codes: which string-table text a code gets and the full text
// of a message box of a given type. Platform-free; the message box itself is in the Windows layer.
#pragma once

#include <cstddef>
#include <cstdint>

// Message box types the engine messages use (the Win32 MB_ values).
enum { TV_BOX_OK = 0, TV_BOX_OKCANCEL = 1, TV_BOX_YESNO = 4, TV_BOX_RETRYCANCEL = 5 };

// String id of the message for a reading / writing result code, 0 when the code means no error.
uint32_t UnzipErrorMessageId(int code);
uint32_t ZipErrorMessageId(int code);
// The text of the box: the message, with the question that the box type asks appended.
// Returns 0 when the id is 0 (nothing to show).
int BuildEngineMessage(uint32_t messageId, int boxType, char* out, size_t size);
