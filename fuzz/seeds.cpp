// Seeds for the fuzz targets from a real (big-endian) file: one image of each record
// type for the decoder target, and short prefixes of the file for the file target.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: fuzz_seeds FILE DECODER_DIR FILE_DIR\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::pair<int, int>> seen;
    size_t pos = 0;
    int n = 0;
    while (pos + 4 <= file.size()) {
        size_t len = size_t{file[pos]} << 8 | file[pos + 1];
        if (pos + 4 + len > file.size()) break;
        if (seen.insert({file[pos + 2], file[pos + 3]}).second) {
            std::string name = std::string(argv[2]) + "/seed" + std::to_string(n++);
            std::ofstream out(name, std::ios::binary);
            out.put(1);  // CPU type 1, version 4
            out.write(reinterpret_cast<const char *>(&file[pos]), static_cast<std::streamsize>(4 + len));
        }
        pos += 4 + len;
    }
    for (size_t cut : {size_t{200}, size_t{2000}, size_t{20000}}) {
        std::ofstream out(std::string(argv[3]) + "/prefix" + std::to_string(cut), std::ios::binary);
        out.write(reinterpret_cast<const char *>(file.data()),
                  static_cast<std::streamsize>(std::min(cut, file.size())));
    }
    return 0;
}
