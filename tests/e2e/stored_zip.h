// A small ZIP archive of stored members, made in the test so that it needs no tools.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

inline uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void Put16(std::string* out, unsigned v) {
    out->push_back(char(v & 0xFF));
    out->push_back(char((v >> 8) & 0xFF));
}
inline void Put32(std::string* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The bytes of an archive with the members (name, content), stored without compression.
inline std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& members) {

    std::string zip, central;
    for (const auto& m : members) {
        const uint32_t offset = uint32_t(zip.size());
        const uint32_t crc = Crc32(m.second);
        const uint32_t size = uint32_t(m.second.size());
        Put32(&zip, 0x04034b50);
        Put16(&zip, 20), Put16(&zip, 0), Put16(&zip, 0), Put16(&zip, 0), Put16(&zip, 0x21);
        Put32(&zip, crc), Put32(&zip, size), Put32(&zip, size);
        Put16(&zip, unsigned(m.first.size())), Put16(&zip, 0);
        zip += m.first + m.second;
        Put32(&central, 0x02014b50);
        Put16(&central, 20), Put16(&central, 20), Put16(&central, 0), Put16(&central, 0), Put16(&central, 0);
        Put16(&central, 0x21);
        Put32(&central, crc), Put32(&central, size), Put32(&central, size);
        Put16(&central, unsigned(m.first.size())), Put16(&central, 0), Put16(&central, 0), Put16(&central, 0);
        Put16(&central, 0), Put32(&central, 0), Put32(&central, offset);
        central += m.first;
    }
    const uint32_t centralOffset = uint32_t(zip.size());
    zip += central;
    Put32(&zip, 0x06054b50);
    Put16(&zip, 0), Put16(&zip, 0), Put16(&zip, unsigned(members.size())), Put16(&zip, unsigned(members.size()));
    Put32(&zip, uint32_t(central.size())), Put32(&zip, centralOffset), Put16(&zip, 0);
    return zip;
}

}  // namespace e2e
