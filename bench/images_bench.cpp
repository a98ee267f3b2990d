// DecodePNG on a 1024 x 1024 RGBA picture against the plainest libpng decode of the same
// bytes into one buffer; the figures are read as a ratio (target: within 1.15).
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"

namespace
{
constexpr uint32_t kSide = 1024;

void Append(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// A picture with gradients and some noise, so that it neither vanishes in compression
// nor is pure noise.
const std::vector<uint8_t>& TestPng()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
        uint32_t seed = 12345;
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x)
            {
                seed = seed * 1664525u + 1013904223u;
                uint8_t* p = &pixels[(size_t(y) * kSide + x) * 4];
                p[0] = uint8_t(x / 4);
                p[1] = uint8_t(y / 4);
                p[2] = uint8_t((x + y) / 8 + ((seed >> 24) & 7));
                p[3] = uint8_t(255 - ((seed >> 16) & 3));
            }
        std::vector<uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, Append, nullptr);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (uint32_t y = 0; y < kSide; ++y)
            png_write_row(png, &pixels[size_t(y) * kSide * 4]);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return bytes;
}

struct Reader
{
    const uint8_t* data;
    size_t position;
};

void Read(png_structp png, png_bytep dest, png_size_t n)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    std::memcpy(dest, r->data + r->position, n);
    r->position += n;
}

void PlainLibpng(benchmark::State& state)
{
    const std::vector<uint8_t>& file = TestPng();
    std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
    std::vector<png_bytep> rows(kSide);
    for (uint32_t y = 0; y < kSide; ++y)
        rows[y] = &pixels[size_t(y) * kSide * 4];
    for (auto _ : state)
    {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        Reader reader{file.data(), 0};
        png_set_read_fn(png, &reader, Read);
        png_read_info(png, info);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void DecodePngFromMemory(benchmark::State& state)
{
    const std::vector<uint8_t>& file = TestPng();
    for (auto _ : state)
    {
        std::unique_ptr<cSurface> s(DecodePNGFromMemory(file.data(), file.size(), kDecodeBottomUp));
        benchmark::DoNotOptimize(s.get());
    }
}

void DecodePngFile(benchmark::State& state)
{
    const std::vector<uint8_t>& file = TestPng();
    const std::string path = "bench_images_1024.png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
    {
        state.SkipWithError("cannot write the test file");
        return;
    }
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    for (auto _ : state)
    {
        std::unique_ptr<cSurface> s(DecodePNG(path, kDecodeBottomUp));
        benchmark::DoNotOptimize(s.get());
    }
    std::remove(path.c_str());
}
} // namespace

BENCHMARK(PlainLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodePngFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodePngFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
