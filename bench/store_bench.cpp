// Loading and saving an address file of 32,767 entries (budget: load under
// 50 ms, save under 20 ms).
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "scratch.h"
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

void LoadAddressFile(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    DataFiles files(scratch.path());
    if (!files.save(sampleEntries(), true).empty()) {
        state.SkipWithError("could not write the sample file");
        return;
    }
    for (auto _ : state) {
        Loaded loaded = files.load();
        benchmark::DoNotOptimize(loaded.entries.data());
    }
}
BENCHMARK(LoadAddressFile)->Unit(benchmark::kMillisecond);

void SaveAddressFile(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    const std::vector<std::u16string> entries = sampleEntries();
    const std::filesystem::path file = scratch.path() / AddressFileName;
    for (auto _ : state) {
        const std::optional<std::string> bytes = formatAddressFile(entries);
        if (!bytes || saveFileSafely(file, *bytes)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(SaveAddressFile)->Unit(benchmark::kMillisecond);

}  // namespace
