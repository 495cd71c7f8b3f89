#include "watch/watch_rules.h"

#include <algorithm>
#include <cstring>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool EndsWithNoCase(const std::string& text, const char* ending) {
    const size_t n = std::strlen(ending);
    if (text.size() < n) return false;
    return EqualNoCase(text.substr(text.size() - n), ending);
}

bool StartsWithNoCase(const std::string& text, const char* start) {
    const size_t n = std::strlen(start);
    return text.size() >= n && EqualNoCase(text.substr(0, n), start);
}

// Endings of downloads still being written: Firefox, Chrome and Edge, Safari, Opera, download
// managers and torrent clients, and the generic temporary ones.
const char* const kPartialEndings[] = {
    ".part", ".crdownload", ".download", ".partial", ".tmp", ".temp", ".opdownload", ".filepart",
    ".!ut", ".!qb", ".!bt", ".bc!", ".dlpart", ".aria2", ".downloading", ".xltd",
};

const char* PartialEnding(const std::string& name) {
    for (const char* ending : kPartialEndings)
        if (EndsWithNoCase(name, ending)) return ending;
    return nullptr;
}

bool ParseUnsigned(const std::string& text, uint64_t* value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = uint64_t(c - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

bool HasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

// Splits text into lines (CR, LF or CRLF ends).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string WithoutTrailingSeparators(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
    return path.substr(0, end);
}

const size_t kPathLimit = 260;

}  // namespace

int IsPartialDownloadName(const char* name) {
    if (!name || !name[0]) return 1;
    const std::string n(name);
    if (n[0] == '.' || StartsWithNoCase(n, "~$")) return 1;
    // A side stream; a name the ANSI code page cannot hold (listed with "?" in its place).
    if (n.find_first_of(":?*") != std::string::npos) return 1;
    if (EqualNoCase(n, "desktop.ini") || EqualNoCase(n, "thumbs.db")) return 1;
    return PartialEnding(n) != nullptr;
}

int HasPartialSibling(const char* name, const std::vector<std::string>& listing) {
    if (!name || !name[0]) return 0;
    const std::string n(name);
    for (const std::string& other : listing) {
        if (other.size() <= n.size() || !StartsWithNoCase(other, n.c_str())) continue;
        const char* ending = PartialEnding(other);
        if (ending && other.size() == n.size() + std::strlen(ending)) return 1;
    }
    return 0;
}

std::vector<std::string> TCompletionTracker::Update(const std::vector<TWatchObservation>& listing, uint64_t nowMs) {
    std::vector<std::string> names;
    names.reserve(listing.size());
    for (const TWatchObservation& o : listing) names.push_back(o.name);

    std::vector<Entry> next;
    next.reserve(listing.size());
    std::vector<std::string> ready;
    for (const TWatchObservation& o : listing) {
        Entry entry;
        entry.seen = o;
        entry.since = entry.firstSeen = nowMs;
        for (const Entry& old : entries_) {
            if (!EqualNoCase(old.seen.name, o.name)) continue;
            if (old.seen.size == o.size && old.seen.writeTime == o.writeTime) {
                entry.since = old.since;
                entry.firstSeen = old.firstSeen;
                entry.offered = old.offered;
            }
            break;
        }
        entry.candidate = !IsPartialDownloadName(o.name.c_str()) && !HasPartialSibling(o.name.c_str(), names) &&
                          o.size > 0;
        if (entry.candidate && !entry.offered && nowMs - entry.since >= settleMs_) ready.push_back(o.name);
        next.push_back(entry);
    }
    entries_.swap(next);
    lastNow_ = nowMs;
    return ready;
}

void TCompletionTracker::Offered(const std::string& name) {
    for (Entry& entry : entries_)
        if (EqualNoCase(entry.seen.name, name)) entry.offered = true;
}

void TCompletionTracker::Busy(const std::string& name) {
    for (Entry& entry : entries_)
        if (EqualNoCase(entry.seen.name, name)) entry.since = lastNow_;
}

int TCompletionTracker::Waiting() const {
    for (const Entry& entry : entries_)
        if (entry.candidate && !entry.offered && lastNow_ - entry.firstSeen < kWaitingMs) return 1;
    return 0;
}

int TRememberedFiles::Contains(const std::string& name, uint64_t size, uint64_t writeTime) const {
    for (const TRememberedFile& f : entries_)
        if (f.size == size && f.writeTime == writeTime && EqualNoCase(f.name, name)) return 1;
    return 0;
}

void TRememberedFiles::Add(const std::string& name, uint64_t size, uint64_t writeTime) {
    if (name.empty() || Contains(name, size, writeTime)) return;
    if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin(), entries_.begin() + (entries_.size() - kMaxEntries + 1));
    entries_.push_back(TRememberedFile{name, size, writeTime});
}

int ReadZoneWebsite(const char* text, size_t length, std::string* url) {
    if (!url) return 0;
    url->clear();
    if (!text) return 0;
    length = std::min(length, kMaxZoneText);
    std::string bytes;
    if (length >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) {
        // UTF-16LE: ASCII stays, everything else cannot be part of a web address we take.
        for (size_t i = 2; i + 1 < length; i += 2) {
            const unsigned char lo = static_cast<unsigned char>(text[i]);
            const unsigned char hi = static_cast<unsigned char>(text[i + 1]);
            bytes += (hi == 0 && lo < 0x80) ? char(lo) : char(0x01);
        }
    } else {
        size_t start = 0;
        if (length >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
            static_cast<unsigned char>(text[2]) == 0xBF)
            start = 3;
        bytes.assign(text + start, length - start);
    }
    std::string host, referrer;
    bool inSection = false;
    for (const std::string& raw : Lines(bytes)) {
        const std::string line = Trimmed(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            inSection = EqualNoCase(line, "[ZoneTransfer]");
            continue;
        }
        if (!inSection) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string value = Trimmed(line.substr(eq + 1));
        if (EqualNoCase(key, "HostUrl") && host.empty()) host = value;
        else if (EqualNoCase(key, "ReferrerUrl") && referrer.empty()) referrer = value;
    }
    for (const std::string* candidate : {&host, &referrer}) {
        const std::string& value = *candidate;
        if (value.empty() || value.size() > kMaxZoneUrl || HasControlCharacter(value) ||
            value.find(' ') != std::string::npos)
            continue;
        if (!StartsWithNoCase(value, "http://") && !StartsWithNoCase(value, "https://") &&
            !StartsWithNoCase(value, "ftp://"))
            continue;
        const size_t scheme = value.find("://") + 3;
        if (scheme >= value.size()) continue;  // no host
        *url = value;
        return 1;
    }
    return 0;
}

int IsUsableWatchFolder(const std::string& folder) {
    if (folder.empty() || folder.size() > kPathLimit || HasControlCharacter(folder) ||
        folder.find('|') != std::string::npos)
        return 0;
    const bool drive = folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
                       folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
    const bool unc = folder.size() >= 3 && folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\\' && folder[2] != '?' &&
                     folder[2] != '.';
    if (!drive && !unc) return 0;
    // No component may be "." or "..", and a drive path holds no further ":".
    size_t start = drive ? 3 : 2;
    if (folder.find(':', drive ? 2 : 0) != std::string::npos) return 0;
    for (size_t i = start; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\' || folder[i] == '/') {
            const std::string part = folder.substr(start, i - start);
            if (part == "." || part == "..") return 0;
            start = i + 1;
        }
    }
    return 1;
}

int PathIsWithin(const std::string& path, const std::string& folder) {
    const std::string base = WithoutTrailingSeparators(folder);
    if (base.empty() || path.size() <= base.size() + 1) return 0;
    for (size_t i = 0; i < base.size(); ++i) {
        const char a = path[i] == '/' ? '\\' : path[i];
        const char b = base[i] == '/' ? '\\' : base[i];
        if (Lower(a) != Lower(b)) return 0;
    }
    return path[base.size()] == '\\' || path[base.size()] == '/';
}

int FindWatchedFolder(const std::vector<TWatchedFolder>& folders, const std::string& folder) {
    const std::string wanted = WithoutTrailingSeparators(folder);
    for (size_t i = 0; i < folders.size(); ++i)
        if (EqualNoCase(WithoutTrailingSeparators(folders[i].path), wanted)) return int(i);
    return -1;
}

namespace {
const char kHeader[] = "[Tolvane Plus Watched Folders]";
}

int ParseWatchSettings(const char* text, size_t length, TWatchSettings* settings) {
    if (!settings) return 0;
    *settings = TWatchSettings();
    if (!text || length > kMaxWatchSettingsText) return 0;
    bool header = false;
    for (const std::string& raw : Lines(std::string(text, length))) {
        const std::string line = Trimmed(raw);
        if (!header) {
            if (line == kHeader) header = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        const size_t bar1 = value.find('|');
        const size_t bar2 = bar1 == std::string::npos ? std::string::npos : value.find('|', bar1 + 1);
        if (bar2 == std::string::npos) continue;
        const std::string first = value.substr(0, bar1);
        const std::string second = value.substr(bar1 + 1, bar2 - bar1 - 1);
        const std::string third = value.substr(bar2 + 1);
        if (key == "Folder") {
            TWatchedFolder folder;
            uint64_t mode = 0;
            if (!ParseUnsigned(first, &mode) || mode > TV_WATCH_SILENT) continue;
            folder.mode = int(mode);
            folder.category = second;
            folder.path = third;
            if (folder.category.size() > kPathLimit || HasControlCharacter(folder.category)) continue;
            if (folder.mode == TV_WATCH_SILENT && folder.category.empty()) continue;
            if (!IsUsableWatchFolder(folder.path) || FindWatchedFolder(settings->folders, folder.path) >= 0) continue;
            if (settings->folders.size() >= TWatchSettings::kMaxFolders) continue;
            settings->folders.push_back(folder);
        } else if (key == "Filed") {
            uint64_t size = 0, time = 0;
            if (!ParseUnsigned(first, &size) || !ParseUnsigned(second, &time)) continue;
            if (third.empty() || third.size() > kPathLimit || HasControlCharacter(third)) continue;
            settings->remembered.Add(third, size, time);
        }
    }
    return header ? 1 : 0;
}

std::string FormatWatchSettings(const TWatchSettings& settings) {
    std::string text = std::string(kHeader) + "\r\n";
    for (const TWatchedFolder& folder : settings.folders) {
        if (!IsUsableWatchFolder(folder.path) || HasControlCharacter(folder.category) ||
            folder.category.find('|') != std::string::npos)
            continue;
        text += "Folder=" + std::to_string(folder.mode == TV_WATCH_SILENT ? 1 : 0) + "|" + folder.category + "|" +
                folder.path + "\r\n";
    }
    for (const TRememberedFile& f : settings.remembered.entries()) {
        if (HasControlCharacter(f.name)) continue;
        text += "Filed=" + std::to_string(f.size) + "|" + std::to_string(f.writeTime) + "|" + f.name + "\r\n";
    }
    return text;
}
