// A trace of what the shell hands over to other features, for the end-to-end tests:
// written only when the environment variable TV_TEST_TRACE names a file, one line per call,
// appended. Without the variable nothing is written anywhere.
#pragma once

#include "util/text.h"

void ShellTrace(const char* format, ...) TV_PRINTF_FORMAT(1, 2);
