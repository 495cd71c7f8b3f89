// An interchange host over an in-memory file system, for the native tests and the fuzz target.
// Every path the core asks for is checked: it must lie inside one of the allowed roots, and every
// component after the root must be a plain valid file name. A path outside is recorded as a
// violation and refused.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "database/programdata.h"
#include "interchange/host.h"
#include "util/path.h"
#include "util/stream.h"
#include "util/text.h"

class TMemoryHost : public TInterchangeHost {
public:
    std::vector<std::string> roots;  // with trailing "\"
    // When set, the program's current storage locations count as roots too (a backup may move
    // them anywhere a plain absolute folder names).
    const TProgramData* storage = nullptr;
    std::map<std::string, std::string> files;  // by folded path
    std::set<std::string> folders;             // folded, with trailing "\"
    std::vector<std::string> violations;
    std::vector<std::string> relocations;      // "kind:old" per RelocateStorage call
    int relocateResult = 0;
    int pumps = 0;
    int cancelAfterPumps = -1;  // Cancelled() becomes true once this many pumps happened
    bool cancelled = false;
    uint32_t lastDone = 0, lastTotal = 0;
    std::function<void()> onPump;
    bool refuseReceive = false;  // Receive fails (a folder where nothing can be created)

    static std::string Fold(const std::string& path) {
        std::string s = path;
        for (char& c : s) c = LowerChar(c == '/' ? '\\' : c);
        return s;
    }

    bool Allowed(const std::string& path) {
        const std::string folded = Fold(path);
        std::vector<std::string> all = roots;
        if (storage) {
            all.push_back(storage->standards.downloadsLocation);
            all.push_back(storage->standards.shortcutsLocation);
        }
        for (const std::string& root : all) {
            if (root.empty()) continue;
            const std::string r = Fold(root);
            if (folded.compare(0, r.size(), r) != 0) continue;
            std::string rest = folded.substr(r.size());
            size_t start = 0;
            bool ok = true;
            while (start < rest.size()) {
                size_t end = rest.find('\\', start);
                if (end == std::string::npos) end = rest.size();
                const std::string component = path.substr(r.size() + start, end - start);
                if (!IsValidFileName(component.c_str())) ok = false;
                start = end + 1;
            }
            if (ok) return true;
        }
        violations.push_back(path);
        return false;
    }

    void Put(const std::string& path, const std::string& bytes) { files[Fold(path)] = bytes; }
    bool Has(const std::string& path) const { return files.count(Fold(path)) > 0; }
    std::string Get(const std::string& path) const {
        const auto it = files.find(Fold(path));
        return it == files.end() ? std::string("<missing>") : it->second;
    }

    int64_t FileSize(const char* path) override {
        const auto it = files.find(Fold(path));
        return it == files.end() ? -1 : int64_t(it->second.size());
    }

    std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) override {
        const auto it = files.find(Fold(path));
        if (it == files.end()) return nullptr;
        *size = int64_t(it->second.size());
        return std::make_unique<TMemoryStream>(it->second.data(), it->second.size());
    }

    class Incoming : public TIncomingFile {
    public:
        explicit Incoming(TMemoryHost* host) : host_(host) {}
        TByteStream* Stream() override { return &stream_; }
        bool Commit(const char* path) override {
            if (!host_->Allowed(path)) return false;
            host_->files[Fold(path)] = std::string(stream_.Data().begin(), stream_.Data().end());
            return true;
        }

    private:
        TMemoryHost* host_;
        TMemoryStream stream_;
    };

    std::unique_ptr<TIncomingFile> Receive(const char* folder) override {
        if (refuseReceive || !Allowed(folder)) return nullptr;
        return std::make_unique<Incoming>(this);
    }

    bool EnsureFolder(const char* folder) override {
        if (!Allowed(folder)) return false;
        std::string f = Fold(folder);
        if (f.empty() || f.back() != '\\') f += '\\';
        folders.insert(f);
        return true;
    }

    int RelocateStorage(TProgramData* data, const char* oldBase, int kind) override {
        relocations.push_back(std::to_string(kind) + ":" + oldBase);
        if (relocateResult < 0) return relocateResult;
        // Moves every file under oldBase to the same place under the new base.
        const std::string from = Fold(oldBase);
        const std::string to = Fold(kind == 1 ? data->standards.downloadsLocation : data->standards.shortcutsLocation);
        std::map<std::string, std::string> moved;
        for (auto it = files.begin(); it != files.end();) {
            if (it->first.compare(0, from.size(), from) == 0) {
                moved[to + it->first.substr(from.size())] = it->second;
                it = files.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& m : moved) files[m.first] = m.second;
        return 0;
    }

    void Pump() override {
        ++pumps;
        if (onPump) onPump();
        if (cancelAfterPumps >= 0 && pumps >= cancelAfterPumps) cancelled = true;
    }
    bool Cancelled() override { return cancelled; }
    void Progress(uint32_t done, uint32_t total) override {
        lastDone = done;
        lastTotal = total;
    }
};
