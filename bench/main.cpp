// Runs every registered benchmark, or those whose names contain an argument.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bench.h"

namespace {

struct Entry {
    const char* name;
    ks::bench::BenchFunction function;
};

std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

// Counted in a header in front of every block; atomics are not needed since
// the figures are taken with one thread allocating at a time.
std::size_t inUse = 0;
std::size_t peak = 0;
constexpr std::size_t kHeader = 16;

void* Allocate(std::size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    inUse += size;
    if (inUse > peak) peak = inUse;
    return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
    if (!pointer) return;
    void* block = static_cast<char*>(pointer) - kHeader;
    inUse -= *static_cast<std::size_t*>(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }

namespace ks::bench {

BenchRegistration::BenchRegistration(const char* name, BenchFunction function) {
    Entries().push_back({name, function});
}

void Figure(const std::string& name, double value) { std::printf("%s: %.3f\n", name.c_str(), value); }
void Figure(const std::string& name, std::uint64_t value) {
    std::printf("%s: %llu\n", name.c_str(), static_cast<unsigned long long>(value));
}

std::size_t HeapInUse() { return inUse; }
std::size_t HeapPeak() { return peak; }
void ResetHeapPeak() { peak = inUse; }

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace ks::bench

int main(int argc, char** argv) {
    int ran = 0;
    for (const auto& entry : Entries()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            if (std::strstr(entry.name, argv[i])) wanted = true;
        if (!wanted) continue;
        std::printf("-- %s\n", entry.name);
        std::fflush(stdout);
        entry.function();
        std::fflush(stdout);
        ++ran;
    }
    return ran > 0 ? 0 : 1;
}
