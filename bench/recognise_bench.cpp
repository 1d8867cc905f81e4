#include <benchmark/benchmark.h>

#include <string>

#include "recognise/dropped_text.h"
#include "requests/urls.h"

namespace {

using namespace nolvetta;

constexpr std::size_t DropSize = 10 * 1024 * 1024;  // characters

// A long newsletter: the まぐまぐ marker on the first line, the shop's address
// only on the last, so that the shop search has to go through all of it.
const std::u16string& droppedText() {
    static const std::u16string text = [] {
        const std::u16string body =
            u"本日のおすすめ商品をご紹介します。詳しくは https://example.jp/item?id=42 まで。\r\n";
        const std::u16string last = requests::shopPrefix() + u"someshop/cabinet/item.html\r\n";
        std::u16string t = u"【まぐまぐ】 mag2 ID:0123456789 号外\r\n";
        t.reserve(DropSize);
        while (t.size() + body.size() + last.size() <= DropSize) {
            t += body;
        }
        t += last;
        return t;
    }();
    return text;
}

void BM_RecogniseMagazine(benchmark::State& state) {
    const std::u16string& text = droppedText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(recognise::recogniseMagazine(text));
    }
}
BENCHMARK(BM_RecogniseMagazine)->Unit(benchmark::kMillisecond);

void BM_ShopTopAddress(benchmark::State& state) {
    const std::u16string& text = droppedText();
    const std::u16string prefix = requests::shopPrefix();
    for (auto _ : state) {
        auto top = recognise::shopTopAddress(text, prefix);
        if (!top) {
            state.SkipWithError("shop address not found");
            break;
        }
        benchmark::DoNotOptimize(top);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_ShopTopAddress)->Unit(benchmark::kMillisecond);

}  // namespace
