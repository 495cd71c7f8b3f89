// A model of the registry and the file system for the integration's native tests: keys and value
// names compare without regard to case, as Windows does; values can be made unreadable; file
// copies are counted.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "integration/apply.h"

class FakeSystem : public TIntegrationSystem {
public:
    struct Value {
        std::string name;
        std::string data;
        bool readable = true;
        bool operator==(const Value& o) const { return name == o.name && data == o.data && readable == o.readable; }
    };
    struct Key {
        std::map<std::string, Value> values;  // by lower-case name ("" = default value)
        bool operator==(const Key& o) const { return values == o.values; }
    };
    using Tree = std::map<std::string, Key>;  // by "root:lower-case path"

    static std::string Lower(std::string text) {
        for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    static std::string Id(TRegistryRoot root, const std::string& key) {
        return std::string(root == TV_HKCR ? "HKCR:" : "HKCU:") + Lower(key);
    }

    // --- Set-up and inspection.
    void Put(TRegistryRoot root, const std::string& key, const char* value, const std::string& data,
             bool readable = true) {
        EnsureKey(root, key.c_str(), nullptr);
        Value v{value ? value : "", data, readable};
        registry_[Id(root, key)].values[Lower(v.name)] = v;
    }
    bool Has(TRegistryRoot root, const std::string& key, const char* value = nullptr) const {
        const auto k = registry_.find(Id(root, key));
        return k != registry_.end() && k->second.values.count(Lower(value ? value : ""));
    }
    std::string Get(TRegistryRoot root, const std::string& key, const char* value = nullptr) const {
        const auto k = registry_.find(Id(root, key));
        if (k == registry_.end()) return "<no key>";
        const auto v = k->second.values.find(Lower(value ? value : ""));
        return v == k->second.values.end() ? "<no value>" : v->second.data;
    }
    bool HasKey(TRegistryRoot root, const std::string& key) const { return registry_.count(Id(root, key)) != 0; }
    const Tree& registry() const { return registry_; }
    void AddFile(const std::string& path) {
        files_.insert(Lower(path));
        const size_t slash = path.find_last_of('\\');
        if (slash != std::string::npos) AddFolder(path.substr(0, slash + 1));
    }
    void AddFolder(std::string path) {
        if (path.empty() || path.back() != '\\') path += '\\';
        for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
            folders_.insert(Lower(path.substr(0, at + 1)));
    }
    bool HasFile(const std::string& path) const { return files_.count(Lower(path)) != 0; }
    const std::set<std::string>& files() const { return files_; }
    int copies() const { return copies_; }
    // Makes every write fail from now on (a registry that refuses changes).
    void RefuseWrites() { refuseWrites_ = true; }

    // --- TIntegrationSystem.
    bool KeyExists(TRegistryRoot root, const char* key) override { return key && HasKey(root, key); }
    bool EnsureKey(TRegistryRoot root, const char* key, bool* created) override {
        if (created) *created = false;
        if (!key || !*key || refuseWrites_) return false;
        const std::string path = key;
        const bool isNew = !HasKey(root, path);
        for (size_t at = path.find('\\');; at = path.find('\\', at + 1)) {
            registry_[Id(root, path.substr(0, at))];
            if (at == std::string::npos) break;
        }
        if (created) *created = isNew;
        return true;
    }
    TRegistryRead ReadString(TRegistryRoot root, const char* key, const char* value, std::string* data) override {
        if (data) data->clear();
        const auto k = registry_.find(Id(root, key ? key : ""));
        if (k == registry_.end()) return TV_REG_MISSING;
        const auto v = k->second.values.find(Lower(value ? value : ""));
        if (v == k->second.values.end()) return TV_REG_MISSING;
        if (!v->second.readable) return TV_REG_UNREADABLE;
        if (data) *data = v->second.data;
        return TV_REG_OK;
    }
    bool WriteString(TRegistryRoot root, const char* key, const char* value, const char* data) override {
        const auto k = registry_.find(Id(root, key ? key : ""));
        if (k == registry_.end() || refuseWrites_) return false;
        Value v{value ? value : "", data ? data : "", true};
        // The name keeps the spelling it was first written with.
        const auto old = k->second.values.find(Lower(v.name));
        if (old != k->second.values.end()) v.name = old->second.name;
        k->second.values[Lower(v.name)] = v;
        return true;
    }
    bool DeleteValue(TRegistryRoot root, const char* key, const char* value) override {
        const auto k = registry_.find(Id(root, key ? key : ""));
        if (k == registry_.end() || refuseWrites_) return false;
        return k->second.values.erase(Lower(value ? value : "")) != 0;
    }
    bool DeleteKey(TRegistryRoot root, const char* key) override {
        const std::string id = Id(root, key ? key : "");
        if (!registry_.count(id) || refuseWrites_) return false;
        const std::string prefix = id + "\\";
        const auto next = registry_.lower_bound(prefix);
        if (next != registry_.end() && next->first.compare(0, prefix.size(), prefix) == 0) return false;
        registry_.erase(id);
        return true;
    }
    std::vector<TViewerValue> ListValues(TRegistryRoot root, const char* key) override {
        std::vector<TViewerValue> out;
        const auto k = registry_.find(Id(root, key ? key : ""));
        if (k == registry_.end()) return out;
        for (const auto& entry : k->second.values)
            out.push_back(TViewerValue{entry.second.name, entry.second.readable,
                                       entry.second.readable ? entry.second.data : std::string()});
        return out;
    }
    bool FileExists(const char* path) override { return path && files_.count(Lower(path)); }
    bool FolderExists(const char* path) override {
        std::string p = path ? path : "";
        if (!p.empty() && p.back() != '\\') p += '\\';
        return folders_.count(Lower(p)) != 0;
    }
    bool CreateFolder(const char* path) override {
        if (!path || !*path) return false;
        AddFolder(path);
        return true;
    }
    bool CopyFileIfAbsent(const char* source, const char* target) override {
        const std::string to = target ? target : "";
        const size_t slash = to.find_last_of('\\');
        if (!FileExists(source) || FileExists(target) || slash == std::string::npos ||
            !FolderExists(to.substr(0, slash + 1).c_str()))
            return false;
        files_.insert(Lower(to));
        ++copies_;
        return true;
    }
    bool RemoveFile(const char* path) override { return path && files_.erase(Lower(path)) != 0; }

private:
    Tree registry_;
    std::set<std::string> files_;
    std::set<std::string> folders_;
    int copies_ = 0;
    bool refuseWrites_ = false;
};
