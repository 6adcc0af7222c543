// velmora-packwriter OUT NAME=PATH...
// Writes the resource pack OUT holding each PATH under its entry NAME.
#include <cstdio>
#include <string>
#include <vector>

#include "package/ResourcePack.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora-packwriter OUT NAME=PATH...\n");
        return 2;
    }
    std::vector<velmora::PackSource> sources;
    for (int i = 2; i < argc; ++i) {
        std::string item = argv[i];
        auto eq = item.find('=');
        if (eq == std::string::npos || eq == 0) {
            std::fprintf(stderr, "bad item (NAME=PATH expected): %s\n", argv[i]);
            return 2;
        }
        sources.push_back({item.substr(0, eq), item.substr(eq + 1)});
    }
    std::string error;
    if (!velmora::WriteResourcePack(argv[1], sources, &error)) {
        std::fprintf(stderr, "velmora-packwriter: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
