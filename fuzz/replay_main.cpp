// Replays seed files through a fuzz target without libFuzzer, so that an
// ordinary build runs every seed: each argument is a file or a folder,
// folders are walked recursively. A target that fails aborts the run; the
// name of the file it was given is printed first.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

void replay(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", file.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path root(argv[i]);
        if (fs::is_regular_file(root)) {
            replay(root);
            ++count;
            continue;
        }
        if (!fs::is_directory(root)) {
            std::fprintf(stderr, "no such seed file or folder: %s\n", argv[i]);
            return 1;
        }
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) {
                replay(e.path());
                ++count;
            }
    }
    std::printf("%zu seeds replayed\n", count);
    return count > 0 ? 0 : 1;
}
