// Throughput of the two pixel conversions of a photo transfer.
#include <benchmark/benchmark.h>

#include <vector>

#include "photo/image_format.h"

namespace {

using namespace pixavon;

void BM_CardImageFromFile(benchmark::State& state) {
    std::vector<std::uint8_t> pixels(kFilePixelDataSize);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31);
    std::vector<std::uint8_t> card(kCardImageSize);
    for (auto _ : state) {
        CardImageFromFile(pixels.data(), card.data());
        benchmark::DoNotOptimize(card.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFilePixelDataSize);
    state.SetItemsProcessed(state.iterations());  // photos
}
BENCHMARK(BM_CardImageFromFile);

void BM_FileRowsFromCard(benchmark::State& state) {
    std::vector<std::uint8_t> card(kCardImageSize);
    for (std::size_t i = 0; i < card.size(); ++i) card[i] = static_cast<std::uint8_t>(i * 17);
    std::vector<std::uint8_t> file(kFilePixelDataSize);
    for (auto _ : state) {
        for (std::uint32_t k = 0; k < kPhotoHeight; ++k) {
            FileRowFromCard(card.data(), k, file.data() + kFileRowSize * k);
        }
        benchmark::DoNotOptimize(file.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kCardImageSize);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FileRowsFromCard);

}  // namespace

BENCHMARK_MAIN();
