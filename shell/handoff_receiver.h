// Platform-free decisions of the hand-off receiver.
#pragma once

// 1 when path names something strictly inside folder (or deeper): folder, taken with a trailing
// separator, is a prefix of path (ASCII case-insensitive, "\" and "/" alike), something follows
// it, and no component of the rest is "." or "..". Both texts should already be full paths in the
// file system's spelling. 0 for null or empty texts.
int PathIsInsideFolder(const char* path, const char* folder);
