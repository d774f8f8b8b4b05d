// Seeds for the fuzz targets: from a real (big-endian, version-4) file, one image of each
// record type for the decoder target and short prefixes of the file for the file target;
// from version-3 files (each opening with its MIR), one image of each record type on a
// version-3 handle and the whole file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> load(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void save(const std::string &path, uint8_t lead, const uint8_t *data, size_t n) {
    std::ofstream out(path, std::ios::binary);
    if (lead != 0xFF) out.put(static_cast<char>(lead));
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(n));
}

// One decoder seed per record type of `file`, whose records are in the byte order of
// `cpu`; `lead` is the seed's first byte (CPU type and version of the image).
void record_seeds(const std::vector<uint8_t> &file, int cpu, uint8_t lead, const std::string &dir, int &n) {
    std::set<std::pair<int, int>> seen;
    size_t pos = 0;
    while (pos + 4 <= file.size()) {
        size_t len = cpu == 1 ? size_t{file[pos]} << 8 | file[pos + 1] : size_t{file[pos + 1]} << 8 | file[pos];
        if (pos + 4 + len > file.size()) break;
        if (seen.insert({file[pos + 2], file[pos + 3]}).second)
            save(dir + "/seed" + std::to_string(n++), lead, &file[pos], 4 + len);
        pos += 4 + len;
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fuzz_seeds FILE DECODER_DIR FILE_DIR [VERSION3_FILE...]\n");
        return 2;
    }
    const std::vector<uint8_t> file = load(argv[1]);
    int n = 0;
    record_seeds(file, 1, 1, argv[2], n);  // CPU type 1, version 4
    for (size_t cut : {size_t{200}, size_t{2000}, size_t{20000}})
        save(std::string(argv[3]) + "/prefix" + std::to_string(cut), 0xFF, file.data(), std::min(cut, file.size()));
    for (int i = 4; i < argc; ++i) {
        const std::vector<uint8_t> v3 = load(argv[i]);
        if (v3.size() < 5) continue;
        const int cpu = v3[4];
        record_seeds(v3, cpu, static_cast<uint8_t>(0x10 | cpu), argv[2], n);
        save(std::string(argv[3]) + "/version3-" + std::to_string(i), 0xFF, v3.data(), v3.size());
    }
    return 0;
}
