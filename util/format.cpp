#include "util/format.h"

#include <cstring>

#include "util/text.h"
#include "util/safestr.h"

int FormatThousands(char* out, size_t size, uint64_t number) {
    char digits[32];
    int count = 0;
    do {
        digits[count++] = char('0' + number % 10);
        number /= 10;
    } while (number != 0);
    char text[48];
    size_t used = 0;
    for (int i = count - 1; i >= 0; --i) {
        text[used++] = digits[i];
        if (i > 0 && i % 3 == 0) text[used++] = ',';
    }
    text[used] = '\0';
    return CopyLimited(out, text, size);
}

int FormatSizeText(char* out, size_t size, uint64_t byteCount, int unit) {
    if (!out || size == 0) return 1;
    uint64_t value = byteCount;
    int steps = 0;
    if (unit >= TV_UNIT_KB && unit <= TV_UNIT_GB) {
        steps = unit;
        for (int i = 0; i < unit; ++i) value /= 1024;
    } else if (unit == TV_UNIT_AUTO && byteCount > 1024) {
        do {
            value /= 1024;
            ++steps;
        } while (value > 1024);
    }
    if (byteCount != 0 && value == 0) value = 1;
    int truncated = FormatThousands(out, size, value);
    static const char* const kUnits[] = {" Bytes", " k", " meg", " gb"};
    const char* suffix = steps == 0 && byteCount == 1 ? " Byte" : kUnits[steps];
    truncated |= AppendLimited(out, suffix, size);
    return truncated;
}

int FormatAttributeText(char* out, size_t size, uint32_t attributes, int longForm) {
    if (!out || size == 0) return 1;
    out[0] = '\0';
    int truncated = 0;
    if (longForm) {
        static const struct { uint32_t bit; const char* text; } kLong[] = {
            {0x20, "  archive"}, {0x01, "  read-only"}, {0x02, "  hidden"}, {0x04, "  system"}, {0x10, "  folder"},
        };
        char text[64] = "";
        for (const auto& entry : kLong)
            if (attributes & entry.bit) AppendLimited(text, entry.text, sizeof text);
        TrimSpaces(text, TV_TRIM_BOTH);
        truncated = CopyLimited(out, text, size);
    } else {
        static const struct { uint32_t bit; const char* text; } kShort[] = {
            {0x01, "r"}, {0x02, "h"}, {0x04, "s"}, {0x10, "d"}, {0x20, "a"},
        };
        for (const auto& entry : kShort)
            if (attributes & entry.bit) truncated |= AppendLimited(out, entry.text, size);
    }
    return truncated;
}

int FormatDosDateTimeText(char* out, size_t size, uint16_t packed, int date) {
    if (date)
        return FormatLimited(out, size, "%02u.%02u.%u", unsigned(packed & 0x1F), unsigned((packed >> 5) & 0x0F),
                             unsigned((packed >> 9) & 0x7F) + 1980u);
    return FormatLimited(out, size, "%02u:%02u:%02u", unsigned((packed >> 11) & 0x1F), unsigned((packed >> 5) & 0x3F),
                         unsigned(packed & 0x1F) * 2u);
}
