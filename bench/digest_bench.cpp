// Throughput of the product's file digest (not a test: it reports a figure).
// Portable: built natively and for Windows, so the same code is timed on Linux
// and under Wine.
//   digest_bench FILE
//       prints the file's digest, its size, the seconds DigestOfFile took and
//       MB/s, and the MB/s of the digest alone over bytes already in memory
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/content_digest.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What the library's SHA-1 allows, without any reading: 256 MiB in 64 KiB blocks.
double MemoryRate()
{
    constexpr size_t kBlock = 64 * 1024;
    constexpr int kBlocks = 4096;
    const std::vector<char> block(kBlock, 'x');
    CContentDigest digest;
    const auto start = Clock::now();
    for (int i = 0; i < kBlocks; ++i)
        digest.Update(block.data(), block.size());
    digest.Finish();
    return static_cast<double>(kBlock) * kBlocks / Seconds(start) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: digest_bench FILE\n");
        return 2;
    }
    std::error_code error;
    const double bytes = static_cast<double>(std::filesystem::file_size(argv[1], error));
    std::string digest;
    const auto start = Clock::now();
    const bool read = DigestOfFile(argv[1], &digest);
    const double seconds = Seconds(start);
    if (!read || error) {
        std::fprintf(stderr, "digest_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("digest %s bytes=%.0f seconds=%.3f MBps=%.1f memory_MBps=%.1f\n", digest.c_str(), bytes, seconds,
                bytes / seconds / 1e6, MemoryRate());
    return 0;
}
