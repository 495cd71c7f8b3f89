// Internal helpers of the list section readers and writers (not used outside core/).
#pragma once

#include "core/lists.h"
#include "util/countedstring.h"
#include "util/textcopy.h"

namespace tvlist {

// Reads a heap text in full, replacing *text. False when the string is not in the stream. A text
// stored with a negative length leaves *text as it was, or empty when there was none.
inline bool ReadHeapText(TByteStream* file, char** text) {
    if (ReadCountedString(file, text, nullptr, 1, 0) == 0) return false;
    if (!*text) *text = TextDuplicate("");
    return *text != nullptr;
}

inline bool AllZero(const void* bytes, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i)
        if (p[i]) return false;
    return true;
}

// Reads a list section: a signed 32-bit count, then count records read by readRecord into a scratch
// record that starts from its empty values for every record (a text stored with a negative length
// therefore stays empty instead of carrying over the previous record's text); a record that
// addRecord handed to the list whole (AddTaken) leaves a zeroed scratch, whose texts ReadHeapText
// then makes. A record that is
// not completely in the stream is not added and ends the section: nothing past the end of the
// stream is ever taken as a count or a value, and a huge count costs no more than the bytes that
// are really there. Returns 1 when every record was read, 0 when the section ended early.
template <typename Record, typename ReadRecord, typename AddRecord>
int ReadSection(TDynamicListObject* list, TByteStream* file, ReadRecord readRecord, AddRecord addRecord) {
    if (!list || !file) return 0;
    int32_t count = 0;
    if (!file->ReadI32(&count)) return 0;
    // Room for the records that can be there (each takes at least four bytes).
    const int64_t possible = file->Remaining() / 4;
    if (count > 0 && possible > 0)
        list->ReserveNodes(size_t(list->Count(0)) + size_t(count < possible ? count : possible));
    Record scratch;
    list->InitItem(&scratch);
    for (int32_t i = 0; i < count; ++i) {
        const bool complete = readRecord(&scratch);
        if (complete) addRecord(&scratch);
        if (!complete) {
            list->FreeItemData(&scratch);
            return 0;
        }
        // A record the list took over (AddTaken) left only zeros behind: no values and no texts,
        // which the next record's reads fill. Anything else starts from empty values again.
        if (!AllZero(&scratch, sizeof scratch)) {
            list->FreeItemData(&scratch);
            list->InitItem(&scratch);
        }
    }
    list->FreeItemData(&scratch);
    return 1;
}

// Writes a list section: the number of valid records, then every valid record in chain order, so
// the count always equals the records that follow. Returns 1 when the stream took every byte.
template <typename Record, typename WriteRecord>
int WriteSection(const TDynamicListObject* list, TByteStream* file, WriteRecord writeRecord) {
    if (!list || !file) return 0;
    uint32_t count = 0;
    for (const ListNode* node = list->First(); node; node = node->next)
        if (node->item && list->IsItemValid(node->item)) ++count;
    bool ok = file->WriteU32(count);
    for (const ListNode* node = list->First(); node; node = node->next)
        if (node->item && list->IsItemValid(node->item)) ok = writeRecord(static_cast<const Record*>(node->item)) && ok;
    return ok ? 1 : 0;
}

}  // namespace tvlist
