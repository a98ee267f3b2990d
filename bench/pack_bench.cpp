// Reading a 1 MiB entry from the pack through cResourceFile, streamed and whole, against
// plain fread of the same bytes from the same file. Compare the figures of one run as
// ratios (the pack's read should stay within 1.2 of fread).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "KelpoBase/core/ResourceFile.h"

namespace
{
constexpr uint32_t kEntryBytes = 1u << 20;
constexpr uint32_t kEntryOffset = 12 + 2 * 136;

struct Fixture
{
    Fixture()
    {
        char pattern[] = "/tmp/tollivan-bench.XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "/tmp";
        path = folder + "/bench.dat";
        std::string bytes("KLPA", 4);
        auto put = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
        put(2);
        put(kEntryOffset);
        const char* names[2] = {"res/small.bin", "res/big.bin"};
        const uint32_t sizes[2] = {16, kEntryBytes};
        uint32_t at = 0;
        for (int i = 0; i < 2; ++i)
        {
            put(at);
            put(sizes[i]);
            std::string name = names[i];
            name.resize(128, '\0');
            bytes += name;
            at += sizes[i];
        }
        bigOffset = kEntryOffset + 16;
        uint32_t seed = 1;
        for (uint32_t i = 0; i < 16 + kEntryBytes; ++i)
        {
            seed = seed * 214013u + 2531011u;
            bytes.push_back(static_cast<char>(seed >> 16));
        }
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        pack = std::make_unique<PackFile>(path);
        SetPackFile(pack.get());
    }
    ~Fixture()
    {
        SetPackFile(nullptr);
        pack.reset();
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
    std::string path;
    uint32_t bigOffset = 0;
    std::unique_ptr<PackFile> pack;
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void BM_FreadBaseline(benchmark::State& state)
{
    Fixture& f = Shared();
    std::vector<uint8_t> dest(kEntryBytes);
    for (auto _ : state)
    {
        std::FILE* file = std::fopen(f.path.c_str(), "rb");
        std::fseek(file, static_cast<long>(f.bigOffset), SEEK_SET);
        const size_t got = std::fread(dest.data(), 1, dest.size(), file);
        std::fclose(file);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(dest.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kEntryBytes);
}

void BM_PackEntryStreamed(benchmark::State& state)
{
    Shared();
    std::vector<uint8_t> dest(kEntryBytes);
    for (auto _ : state)
    {
        cResourceFile file;
        file.OpenStream("res/big.bin");
        const uint32_t got = file.Read(dest.data(), kEntryBytes);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(dest.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kEntryBytes);
}

void BM_PackEntryWhole(benchmark::State& state)
{
    Shared();
    for (auto _ : state)
    {
        cResourceFile file;
        file.Open("res/big.bin");
        benchmark::DoNotOptimize(file.GetMemory());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kEntryBytes);
}
} // namespace

BENCHMARK(BM_FreadBaseline);
BENCHMARK(BM_PackEntryStreamed);
BENCHMARK(BM_PackEntryWhole);
BENCHMARK_MAIN();
