// A small benchmark runner: each benchmark registers itself by name and prints
// its figures as "name: value" lines, one per figure, so runs can be compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ks::bench {

using BenchFunction = void (*)();

struct BenchRegistration {
    BenchRegistration(const char* name, BenchFunction function);
};

// One summary line.
void Figure(const std::string& name, double value);
void Figure(const std::string& name, std::uint64_t value);

// Heap bytes allocated through operator new and not yet freed, and the most
// there were since the last ResetHeapPeak.
std::size_t HeapInUse();
std::size_t HeapPeak();
void ResetHeapPeak();

// Seconds on a steady clock.
double Now();

}  // namespace ks::bench
