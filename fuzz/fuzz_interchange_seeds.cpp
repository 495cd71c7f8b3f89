// Writes seed files for fuzz_interchange into a folder: real excerpts and backups of a small
// program (each with the first byte the target expects in front).
#include <cstdio>
#include <string>
#include <vector>

#include "tests/interchange/interchange_fixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_interchange_seeds FOLDER\n");
        return 2;
    }
    TInterchangeFixture f("C:\\Seed\\");
    f.Category(1, "Tools");
    f.Category(1, "Sub", 1);
    f.Category(2, "Web");
    f.Category(3, "Apps");
    f.Download("a.zip", 1, "aaaa");
    f.Download("a.zip", 1, "second");
    f.Download("b.zip", 2, std::string(300, 'b'));
    f.Download("c.zip", 0, "");
    f.Bookmark("http://x/", "X", 1);
    f.Bookmark("http://y/", "Y", 0);
    f.Shortcut("Editor.lnk", 0, "LNK");
    f.Shortcut("Tool.lnk", 1, "LNK2");
    const struct {
        const char* name;
        TInterchangeChoice choice;
        uint8_t first;
    } seeds[] = {{"excerpt-both", Excerpt(true, 1, true, 1), 0x00},
                 {"excerpt-downloads", Excerpt(true, 0, false, -1), 0x01},
                 {"excerpt-bookmarks", Excerpt(false, -1, true, 0), 0x02},
                 {"backup", Backup(), 0x03}};
    for (const auto& seed : seeds) {
        std::vector<uint8_t> bytes = f.Write(seed.choice);
        // Bit 7 makes the target put the magic in front: leave it out here.
        bytes.erase(bytes.begin(), bytes.begin() + 23);
        bytes.insert(bytes.begin(), uint8_t(seed.first | 0x80));
        const std::string path = std::string(argv[1]) + "/" + seed.name;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) return 1;
        std::fclose(out);
    }
    return 0;
}
