#pragma once
// The rule that makes a download's stored name unique in its category: the name without double
// quotes if it is free, else "stem (2).ext" up to "stem (999).ext"; 0 and an empty text when no
// name is free or the name does not fit.
#include <cstddef>
#include <functional>

int MakeUniqueFileName(char* out, size_t size, const char* name, const std::function<bool(const char*)>& taken);
