#include "shell/trace.h"

#include <windows.h>

#include <cstdarg>

#include "util/safestr.h"

void ShellTrace(const char* format, ...) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("TV_TEST_TRACE", path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return;
    char line[1200];
    va_list args;
    va_start(args, format);
    FormatLimitedV(line, sizeof(line), format, args);
    va_end(args);
    AppendLimited(line, "\r\n", sizeof(line));
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(strlen(line)), &written, nullptr);
    CloseHandle(file);
}
