// Runs a fuzz target's LLVMFuzzerTestOneInput without libFuzzer: over every seed file of
// its corpus folder, then over random and mutated inputs made with a fixed seed, so every
// test run exercises the parser and a failure repeats on the next run.
//   fuzz_<name>_smoke <corpus folder> [generated inputs, default 2000]
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

char gCurrent[512] = "";

void onCrash(int sig) {
    const char* head = "fuzz smoke: failed on ";
    (void)!write(2, head, std::strlen(head));
    (void)!write(2, gCurrent, std::strlen(gCurrent));
    (void)!write(2, "\n", 1);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void run(const std::string& label, const Bytes& input) {
    std::snprintf(gCurrent, sizeof gCurrent, "%s", label.c_str());
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

// Bytes that the parsers give meaning to, so random inputs reach past the first check.
const std::string kInteresting = "[]=;,.:\"' \t\r\n\r\n0123456789-+eExXAaGgZz!@#\\/";

uint8_t randomByte(std::mt19937& rng) {
    if (rng() % 3 == 0) return static_cast<uint8_t>(rng());
    return static_cast<uint8_t>(kInteresting[rng() % kInteresting.size()]);
}

Bytes randomInput(std::mt19937& rng) {
    Bytes b(rng() % 2048);
    for (auto& c : b) c = randomByte(rng);
    return b;
}

Bytes mutate(Bytes b, const std::vector<Bytes>& seeds, std::mt19937& rng) {
    const int steps = 1 + static_cast<int>(rng() % 8);
    for (int s = 0; s < steps; ++s) {
        const size_t at = b.empty() ? 0 : rng() % b.size();
        switch (rng() % 6) {
        case 0:
            if (!b.empty()) b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1: b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), randomByte(rng)); break;
        case 2:
            if (!b.empty())
                b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                        b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 1 + rng() % 16)));
            break;
        case 3: {
            if (b.empty()) break;
            const size_t len = std::min<size_t>(b.size() - at, 1 + rng() % 64);
            const Bytes chunk(b.begin() + static_cast<std::ptrdiff_t>(at),
                              b.begin() + static_cast<std::ptrdiff_t>(at + len));
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(rng() % (b.size() + 1)), chunk.begin(),
                     chunk.end());
            break;
        }
        case 4: {
            const Bytes& other = seeds[rng() % seeds.size()];
            if (other.empty()) break;
            const size_t from = rng() % other.size();
            const size_t len = std::min<size_t>(other.size() - from, 1 + rng() % 128);
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(std::min(at, b.size())),
                     other.begin() + static_cast<std::ptrdiff_t>(from),
                     other.begin() + static_cast<std::ptrdiff_t>(from + len));
            break;
        }
        default:
            if (!b.empty()) b[at] = randomByte(rng);
            break;
        }
        if (b.size() > 64 * 1024) b.resize(64 * 1024);
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder> [generated inputs]\n", argv[0]);
        return 2;
    }
    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(sig, onCrash);
    const int generated = argc > 2 ? std::atoi(argv[2]) : 2000;

    std::vector<Bytes> seeds;
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1], ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        run(f.string(), seeds.back());
    }
    if (seeds.empty()) seeds.emplace_back();

    std::mt19937 rng(411);
    for (int i = 0; i < generated; ++i) {
        const bool fresh = i % 4 == 0;
        const Bytes input = fresh ? randomInput(rng) : mutate(seeds[rng() % seeds.size()], seeds, rng);
        run((fresh ? "random input #" : "mutated input #") + std::to_string(i) + " (seed 411)", input);
    }
    std::printf("fuzz smoke: %zu seed files and %d generated inputs passed\n", files.size(), generated);
    return 0;
}
