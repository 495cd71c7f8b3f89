// Include last in a source file: from here on the unbounded string functions do not compile.
// Use CopyLimited / AppendLimited / FormatLimited (util/text.h) instead. The standard and system
// headers that declare these functions are taken in first, so their own declarations stay legal.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#pragma GCC poison strcpy strcat sprintf vsprintf gets
#if defined(_WINDOWS_) || defined(_WINDOWS_H)
// The unsuffixed names are macros of the system headers: remove them so that they are poisoned too.
#undef lstrcpy
#undef lstrcat
#undef wsprintf
#undef wvsprintf
#pragma GCC poison lstrcpyA lstrcatA wsprintfA wvsprintfA lstrcpy lstrcat wsprintf wvsprintf
#endif
