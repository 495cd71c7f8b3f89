// Copying or moving a file into (or within) the storage folders.
#pragma once

// Copies or moves source to destination. Returns 0 on success, 1 on failure.
//  - Both paths must be non-empty and stay non-empty after CanonicalLongPath.
//  - The source must open for reading: its creation, last-access and last-write times are taken.
//  - Source and destination naming the same file (in any letter case) is a success that changes
//    nothing.
//  - With move and the same drive: MoveFile (replacing the destination when replace is 1).
//    Otherwise the data is copied to a temporary name in the destination's folder; only when that
//    copy is complete does it take the place of the destination (with replace = 0 an existing
//    destination is a failure); a move then removes the source.
//  - The destination ends with the plain archive attribute and the source's three times.
// A failure leaves an existing destination as it was.
int CopyOrMoveFile(const char* source, const char* destination, int move, int replace);
