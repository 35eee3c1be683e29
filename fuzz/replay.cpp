// Replays a corpus without libFuzzer: every file of the directories named on the command line
// (or every file named there) goes once through the fuzz target. A missing or empty corpus is an
// error, so the replay cannot pass by checking nothing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

std::vector<char> contents(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument(argv[i]);
        std::error_code error;
        if (!std::filesystem::is_directory(argument, error)) {
            inputs.push_back(argument);
            continue;
        }
        for (const auto &entry : std::filesystem::directory_iterator(argument, error)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
        if (error) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "No inputs to replay.\n");
        return 1;
    }

    // A fixed order, so that a failure shows up the same way on every run.
    std::sort(inputs.begin(), inputs.end());
    for (const auto &path : inputs) {
        if (!std::filesystem::is_regular_file(path)) {
            std::fprintf(stderr, "%s: not a readable file\n", path.c_str());
            return 1;
        }
        const std::vector<char> data = contents(path);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.data()), data.size());
    }
    std::printf("Replayed %zu inputs.\n", inputs.size());
    return 0;
}
