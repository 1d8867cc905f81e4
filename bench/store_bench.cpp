// Loading and saving an address file of 32,767 entries (budget: load under
// 50 ms, save under 20 ms).
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "store/data_files.h"
#include "store/safe_save.h"

namespace {

using namespace nolvetta::store;

std::vector<std::u16string> sampleEntries() {
    std::vector<std::u16string> entries;
    for (int i = 0; i < 32767; ++i) {
        const std::string number = std::to_string(i);
        entries.push_back(u"reader." + std::u16string(number.begin(), number.end()) +
                          (i % 4 == 0 ? u"@例え.jp" : u"@example.co.jp"));
    }
    return entries;
}

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "nolvetta-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void LoadAddressFile(benchmark::State& state) {
    ScratchDirectory scratch;
    DataFiles files(scratch.path());
    if (!files.save(sampleEntries(), true).empty()) {
        state.SkipWithError("could not write the sample file");
        return;
    }
    for (auto _ : state) {
        AddressLoad load = files.loadAddresses();
        benchmark::DoNotOptimize(load.entries.data());
    }
}
BENCHMARK(LoadAddressFile)->Unit(benchmark::kMillisecond);

void SaveAddressFile(benchmark::State& state) {
    ScratchDirectory scratch;
    const std::vector<std::u16string> entries = sampleEntries();
    const std::filesystem::path file = scratch.path() / AddressFileName;
    for (auto _ : state) {
        const std::optional<std::string> bytes = formatAddressFile(entries);
        std::string error;
        if (!bytes || !saveFileSafely(file, *bytes, error)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(SaveAddressFile)->Unit(benchmark::kMillisecond);

}  // namespace
