// tv_sample_database FOLDER: writes FOLDER\tv.cfg with sample downloads and a bookmark (for the
// screenshots).
#include <cstdio>
#include <iterator>
#include <vector>

#include "tests/shell/sample_database.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tv_sample_database FOLDER\n");
        return 2;
    }
    if (!sample::WriteSampleDatabase(argv[1], true)) {
        std::fprintf(stderr, "tv_sample_database: could not write %s\\tv.cfg\n", argv[1]);
        return 1;
    }
    return 0;
}
