// Loading and saving an address file of 32,767 entries, all ASCII or a
// quarter of them Japanese: time, and heap allocations per run (budget: load
// under 50 ms, save under 20 ms).
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include <benchmark/benchmark.h>

#include "scratch.h"
#include "store/data_files.h"

namespace {

std::atomic<long long> allocations{0};
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void* counted(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    ++allocations;
    const long long live = liveBytes += static_cast<long long>(malloc_usable_size(p));
    long long peak = peakBytes;
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void uncounted(void* p) noexcept {
    if (p != nullptr) {
        liveBytes -= static_cast<long long>(malloc_usable_size(p));
        std::free(p);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void operator delete(void* p) noexcept {
    uncounted(p);
}
void operator delete[](void* p) noexcept {
    uncounted(p);
}
void operator delete(void* p, std::size_t) noexcept {
    uncounted(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    uncounted(p);
}

namespace {

using namespace nolvetta::store;

AddressList sampleEntries(bool mixed) {
    AddressList entries;
    for (int i = 0; i < 32767; ++i) {
        const std::string number = std::to_string(i);
        entries.append(u"reader." + std::u16string(number.begin(), number.end()) +
                       (mixed && i % 4 == 0 ? u"@例え.jp" : u"@example.co.jp"));
    }
    return entries;
}

// Heap allocations per iteration, and the most heap in use above the start.
class HeapCount {
public:
    explicit HeapCount(benchmark::State& state) : state_(state) {
        peakBytes = liveBytes.load();
        start_ = allocations;
        base_ = liveBytes;
    }
    ~HeapCount() {
        const auto runs =
            static_cast<double>(std::max<benchmark::IterationCount>(state_.iterations(), 1));
        state_.counters["allocs"] = static_cast<double>(allocations - start_) / runs;
        state_.counters["peak_KiB"] = static_cast<double>(peakBytes - base_) / 1024;
    }

private:
    benchmark::State& state_;
    long long start_;
    long long base_;
};

void writeSample(benchmark::State& state, DataFiles& files) {
    if (!files.save(sampleEntries(state.range(0) != 0), true).empty()) {
        state.SkipWithError("could not write the sample file");
    }
}

void LoadAddressFile(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    DataFiles files(scratch.path());
    writeSample(state, files);
    HeapCount count(state);
    for (auto _ : state) {
        Loaded loaded = files.load();
        benchmark::DoNotOptimize(loaded.entries[0].data());
    }
}
BENCHMARK(LoadAddressFile)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The common close: the list loaded and saved again as it was.
void SaveUnchangedList(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    DataFiles files(scratch.path());
    writeSample(state, files);
    const Loaded loaded = files.load();
    HeapCount count(state);
    for (auto _ : state) {
        if (!files.save(loaded.entries, true).empty()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(SaveUnchangedList)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An entry added and deleted again: the entries are compared with those read.
void SaveEditedBackList(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    DataFiles files(scratch.path());
    writeSample(state, files);
    AddressList entries = files.load().entries;
    entries.append(u"added@example.jp");
    entries.erase(entries.size() - 1);
    HeapCount count(state);
    for (auto _ : state) {
        if (!files.save(entries, true).empty()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(SaveEditedBackList)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The last entry changed at each save, so each writes the whole file.
void SaveChangedList(benchmark::State& state) {
    nolvetta::testsupport::ScratchDirectory scratch;
    DataFiles files(scratch.path());
    writeSample(state, files);
    AddressList entries = files.load().entries;
    HeapCount count(state);
    for (auto _ : state) {
        const bool p = entries[entries.size() - 1].ends_with(u'p');
        entries.erase(entries.size() - 1);
        entries.append(p ? u"last@example.jq" : u"last@example.jp");
        if (!files.save(entries, true).empty()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(SaveChangedList)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
