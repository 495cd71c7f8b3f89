// Random bytes as the watched folders' settings file and as a Zone.Identifier text: what the
// settings reader keeps must write back and read again to the same text, every folder it keeps
// must be usable, and a web site taken from zone information is a plain http, https or ftp address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "watch/watch_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const std::string header = "[Tolvane Plus Watched Folders]\n";
    // With the first byte odd the header goes in front, so the lines behind it are reached.
    const std::string input = (size > 0 && (data[0] & 1)) ? header + std::string(text + 1, size - 1) : std::string(text, size);
    TWatchSettings settings;
    ParseWatchSettings(input.data(), input.size(), &settings);
    if (settings.folders.size() > TWatchSettings::kMaxFolders) std::abort();
    for (const TWatchedFolder& f : settings.folders)
        if (!IsUsableWatchFolder(f.path)) std::abort();
    const std::string written = FormatWatchSettings(settings);
    TWatchSettings again;
    if (!ParseWatchSettings(written.data(), written.size(), &again) || FormatWatchSettings(again) != written) std::abort();

    std::string url;
    if (ReadZoneWebsite(text, size, &url)) {
        if (url.empty() || url.size() > kMaxZoneUrl) std::abort();
        for (char c : url)
            if (static_cast<unsigned char>(c) < 0x21 || c == 0x7F) std::abort();
    } else if (!url.empty()) {
        std::abort();
    }
    // Names and the completion tracker take any text.
    IsPartialDownloadName(input.c_str());
    TCompletionTracker tracker(0);
    std::vector<TWatchObservation> listing;
    for (size_t i = 0; i + 1 < input.size() && listing.size() < 16; i += 8)
        listing.push_back({input.substr(i, 8) + "#" + std::to_string(i), uint64_t(data[i % size]), uint64_t(i)});  // unique names, as a folder has
    for (const std::string& name : tracker.Update(listing, 0)) tracker.Offered(name);
    if (!tracker.Update(listing, 1).empty()) std::abort();  // each offered once
    return 0;
}
