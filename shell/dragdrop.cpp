#include "shell/dragdrop.h"

#include <cstring>

const TDropFormat kDropFormats[9] = {
    {nullptr, TV_FMT_HDROP},
    {"TVFileCategories", TV_FMT_FILE_CATEGORIES},
    {"TVBookmarkCategories", TV_FMT_BOOKMARK_CATEGORIES},
    {"TVShortcutCategories", TV_FMT_SHORTCUT_CATEGORIES},
    {"TVDownloadedFiles", TV_FMT_DOWNLOADS},
    {"TVBookmarks", TV_FMT_BOOKMARKS},
    {"TVShortcuts", TV_FMT_SHORTCUTS},
    {"UniformResourceLocator", TV_FMT_URL},
    {"Netscape Bookmark", TV_FMT_NETSCAPE_BOOKMARK},
};
const char kFormatShellIdList[] = "Shell IDList Array";
const char kFormatFileGroupDescriptor[] = "FileGroupDescriptor";
const char kFormatFileGroupDescriptorW[] = "FileGroupDescriptorW";
const char kFormatFileContents[] = "FileContents";

uint32_t AcceptedFormats(int kind) {
    switch (kind) {
        case 1: return TV_FMT_HDROP | TV_FMT_DOWNLOADS;
        case 2: return TV_FMT_BOOKMARKS | TV_FMT_URL | TV_FMT_NETSCAPE_BOOKMARK;
        case 3: return TV_FMT_HDROP | TV_FMT_SHORTCUTS;
        default: return 0;
    }
}

uint32_t CategoryFormatOf(int kind) {
    return kind >= 1 && kind <= 3 ? uint32_t(1) << (kind - 1) : 0;
}

uint32_t ItemFormatOf(int kind) {
    return kind >= 1 && kind <= 3 ? uint32_t(0x010) << (kind - 1) : 0;
}

uint32_t CategoryAcceptedFormats(int kind) { return AcceptedFormats(kind) | CategoryFormatOf(kind); }

bool PasteAccepted(uint32_t formats, int kind) { return (formats & AcceptedFormats(kind)) != 0; }

uint32_t DropEffectFor(uint32_t formats, int target, int categoryKind, bool ctrl, bool shift) {
    if (target == TV_DROP_NONE) return TV_EFFECT_NONE;
    if (formats & TV_FMT_PROGRAM_OBJECTS) return TV_EFFECT_MOVE;
    if (formats & TV_FMT_HDROP) {
        if (!ctrl) return TV_EFFECT_MOVE;
        const bool shortcutTarget =
            target == TV_DROP_SHORTCUT_LIST || (target == TV_DROP_CATEGORY && categoryKind == 3);
        return shortcutTarget && shift ? TV_EFFECT_LINK : TV_EFFECT_COPY;
    }
    if (formats & TV_FMT_URL) return TV_EFFECT_LINK;
    return TV_EFFECT_COPY;
}

TDropHitResult HitTestDrop(const TDropHitInput& in) {
    TDropHitResult out;
    if (in.area == TV_DROP_AREA_LIST && in.listKind == in.currentKind && (in.formats & AcceptedFormats(in.listKind)))
        out.target = in.listKind;
    else if (in.area == TV_DROP_AREA_TREE && in.categoryKind && (in.formats & CategoryAcceptedFormats(in.categoryKind))) {
        out.target = TV_DROP_CATEGORY;
        out.selectCategory = true;
    }
    if (out.target == TV_DROP_NONE) return out;
    uint32_t effect = DropEffectFor(in.formats, out.target, in.categoryKind, in.ctrl, in.shift);
    if (!(effect & in.allowed)) {
        effect = TV_EFFECT_NONE;
        for (uint32_t candidate : {TV_EFFECT_COPY, TV_EFFECT_MOVE, TV_EFFECT_LINK})
            if (in.allowed & candidate) {
                effect = candidate;
                break;
            }
    }
    if (effect == TV_EFFECT_NONE) {
        out.target = TV_DROP_NONE;
        out.selectCategory = false;
    }
    out.effect = effect;
    return out;
}

// --- File list.

namespace {

void PutU32(std::vector<uint8_t>* out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*out)[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

std::vector<uint8_t> BuildDropFiles(const std::vector<std::string>& paths) {
    size_t size = TV_DROPFILES_HEADER + 1;
    for (const std::string& p : paths) size += p.size() + 1;
    std::vector<uint8_t> out(size, 0);
    PutU32(&out, 0, uint32_t(TV_DROPFILES_HEADER));
    size_t at = TV_DROPFILES_HEADER;
    for (const std::string& p : paths) {
        std::memcpy(out.data() + at, p.data(), p.size());
        at += p.size() + 1;
    }
    return out;
}

bool ReadDropFiles(const uint8_t* data, size_t size, std::vector<std::string>* narrow,
                   std::vector<std::u16string>* wide) {
    if (narrow) narrow->clear();
    if (wide) wide->clear();
    if (!data || size < TV_DROPFILES_HEADER) return false;
    const uint32_t offset = GetU32(data);
    const bool isWide = GetU32(data + 16) != 0;
    if (offset < 4 || offset > size) return false;
    if (isWide) {
        size_t at = offset;
        while (at + 1 < size) {
            std::u16string name;
            bool ended = false;
            for (; at + 1 < size; at += 2) {
                const char16_t c = char16_t(data[at] | data[at + 1] << 8);
                if (c == 0) {
                    ended = true;
                    at += 2;
                    break;
                }
                name.push_back(c);
            }
            if (!ended || name.empty()) break;
            if (wide) wide->push_back(name);
        }
    } else {
        size_t at = offset;
        while (at < size) {
            const void* end = std::memchr(data + at, 0, size - at);
            if (!end) break;
            const size_t length = size_t(static_cast<const uint8_t*>(end) - (data + at));
            if (length == 0) break;
            if (narrow) narrow->emplace_back(reinterpret_cast<const char*>(data + at), length);
            at += length + 1;
        }
    }
    return true;
}

// --- File group descriptor.

std::vector<uint8_t> BuildFileGroupDescriptor(const std::string& fileName) {
    std::vector<uint8_t> out(TV_FILE_GROUP_BLOCK, 0);
    PutU32(&out, 0, 1);
    PutU32(&out, 4, TV_FD_LINKUI);
    const size_t room = 259;
    std::memcpy(out.data() + 4 + TV_FILE_DESCRIPTOR_NAME_OFFSET, fileName.data(),
                fileName.size() < room ? fileName.size() : room);
    return out;
}

bool ReadFirstDescriptorName(const uint8_t* data, size_t size, std::string* name) {
    if (name) name->clear();
    if (!data || size < 4 + TV_FILE_DESCRIPTOR_NAME_OFFSET || GetU32(data) == 0) return false;
    const uint8_t* field = data + 4 + TV_FILE_DESCRIPTOR_NAME_OFFSET;
    size_t room = size - (4 + TV_FILE_DESCRIPTOR_NAME_OFFSET);
    if (room > 260) room = 260;
    size_t length = 0;
    while (length < room && field[length]) ++length;
    if (length == 0) return false;
    if (name) name->assign(reinterpret_cast<const char*>(field), length);
    return true;
}

std::string BookmarkFileName(const std::string& title) {
    std::string name;
    for (char c : title) {
        const unsigned char u = static_cast<unsigned char>(c);
        name.push_back(u < 32 || std::strchr("\\/:*?\"<>|", c) ? '_' : c);
        if (name.size() == 255) break;
    }
    if (name.empty()) name = "_";
    return name + ".url";
}

std::string TitleFromDescriptorName(const std::string& name) {
    const size_t slash = name.find_last_of("\\/:");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base;
}

std::string InternetShortcutContents(const std::string& url) { return "[InternetShortcut]\r\nURL=" + url; }

std::string TextOfBlock(const uint8_t* data, size_t size) {
    if (!data) return std::string();
    const void* end = std::memchr(data, 0, size);
    return std::string(reinterpret_cast<const char*>(data),
                       end ? size_t(static_cast<const uint8_t*>(end) - data) : size);
}

// --- Item-identifier array.

std::vector<uint8_t> BuildIdListArray(const std::vector<uint8_t>& parent,
                                      const std::vector<std::vector<uint8_t>>& children) {
    const size_t count = children.size();
    size_t size = 4 * (count + 2) + parent.size();
    for (const auto& c : children) size += c.size();
    std::vector<uint8_t> out(size, 0);
    PutU32(&out, 0, uint32_t(count));
    size_t at = 4 * (count + 2);
    PutU32(&out, 4, uint32_t(at));
    if (!parent.empty()) std::memcpy(out.data() + at, parent.data(), parent.size());
    at += parent.size();
    for (size_t i = 0; i < count; ++i) {
        PutU32(&out, 8 + 4 * i, uint32_t(at));
        if (!children[i].empty()) std::memcpy(out.data() + at, children[i].data(), children[i].size());
        at += children[i].size();
    }
    return out;
}

bool ReadIdListArray(const uint8_t* data, size_t size, std::vector<std::vector<uint8_t>>* lists) {
    if (lists) lists->clear();
    if (!data || size < 4) return false;
    const uint32_t count = GetU32(data);
    if (count > (size - 4) / 4 - 1 || size < 4 * (size_t(count) + 2)) return false;
    for (uint32_t i = 0; i <= count; ++i) {
        const uint32_t offset = GetU32(data + 4 + 4 * i);
        if (offset >= size) return false;
        size_t at = offset;
        // Walk the items by their 2-byte sizes up to the terminating zero size.
        for (;;) {
            if (at + 2 > size) return false;
            const size_t cb = size_t(data[at] | data[at + 1] << 8);
            if (cb == 0) break;
            if (cb < 2 || cb > size - at) return false;
            at += cb;
        }
        if (lists) lists->emplace_back(data + offset, data + at + 2);
    }
    return true;
}

bool RecordLeftWithDrag(bool fileBefore, bool fileAfter, uint32_t effect) {
    return fileBefore && !fileAfter && (effect == TV_EFFECT_MOVE || effect == TV_EFFECT_NONE);
}
