// Numbers, sizes, attributes and packed DOS dates as display texts. Outputs are bounded by the
// sizes given, always terminated and cleared first.
#pragma once

#include <cstddef>
#include <cstdint>

// Decimal digits with "," before every group of three from the right: 1200000 -> "1,200,000".
// Returns 1 when truncated.
int FormatThousands(char* out, size_t size, uint64_t number);

enum { TV_UNIT_BYTES = 0, TV_UNIT_KB = 1, TV_UNIT_MB = 2, TV_UNIT_GB = 3, TV_UNIT_AUTO = 4 };
// A byte count as "1,024 Bytes", "1 Byte", "3 k", "3 meg", "2 gb". Units 1-3 divide by 1024 per
// step (integer division); TV_UNIT_AUTO keeps sizes up to 1024 in bytes and divides larger ones
// while the quotient exceeds 1024. A non-zero size that divides down to 0 shows as 1.
// The count is unsigned and 64 bits wide: a file of 2 GB or more shows its real size.
// Returns 1 when truncated.
int FormatSizeText(char* out, size_t size, uint64_t byteCount, int unit);

// File attributes (FILE_ATTRIBUTE_* bits). Long form: "archive  read-only  hidden  system  folder"
// (those present, two blanks apart); short form: the letters r h s d a of those present.
int FormatAttributeText(char* out, size_t size, uint32_t attributes, int longForm);

// A packed DOS date ("DD.MM.YYYY", when date is set) or time ("HH:MM:SS").
int FormatDosDateTimeText(char* out, size_t size, uint16_t packed, int date);
