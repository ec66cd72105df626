// The emptiness test over the shapes a key subtree can take.
#include <gtest/gtest.h>

#include "scan/key_content.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

using test::MemoryRegistry;
constexpr RootKey kUser = RootKey::CurrentUser;

TEST(KeyContentTest, CountsWhatTheSubtreeHolds) {
    struct Case {
        const char* name;
        void (*plant)(MemoryRegistry&);
        int expected;  // compared as "below 1" or the exact count
    };
    const Case cases[] = {
        // Listed a moment ago, so it is there but cannot be looked into.
        {"missing key", [](MemoryRegistry&) {}, 1},
        {"bare key", [](MemoryRegistry& r) { r.AddKey(kUser, "T"); }, 0},
        {"empty default value counts", [](MemoryRegistry& r) { r.SetString(kUser, "T", "", ""); }, 1},
        {"two values", [](MemoryRegistry& r) {
             r.SetDword(kUser, "T", "a", 1);
             r.SetDword(kUser, "T", "b", 2);
         }, 2},
        {"one empty subkey", [](MemoryRegistry& r) { r.AddKey(kUser, "T\\A"); }, 0},
        {"two empty subkeys never empty", [](MemoryRegistry& r) {
             r.AddKey(kUser, "T\\A");
             r.AddKey(kUser, "T\\B");
         }, 2},
        {"chain of single subkeys ending empty", [](MemoryRegistry& r) { r.AddKey(kUser, "T\\A\\B\\C\\D"); }, 0},
        {"chain ending in a value", [](MemoryRegistry& r) { r.SetString(kUser, "T\\A\\B\\C", "v", "x"); }, 1},
        {"chain ending in a fork", [](MemoryRegistry& r) {
             r.AddKey(kUser, "T\\A\\X");
             r.AddKey(kUser, "T\\A\\Y");
         }, 2},
        {"values stop the descent", [](MemoryRegistry& r) {
             r.SetString(kUser, "T", "v", "x");
             r.AddKey(kUser, "T\\A\\X");
         }, 1},
        // Writing refused: what the key holds still counts.
        {"full access refused", [](MemoryRegistry& r) {
             r.SetString(kUser, "T", "v", "x");
             r.DenyFullAccess(kUser, "T");
         }, 1},
        {"full access refused and empty", [](MemoryRegistry& r) {
             r.AddKey(kUser, "T\\A");
             r.DenyFullAccess(kUser, "T");
         }, 0},
        {"full access refused below", [](MemoryRegistry& r) {
             r.SetString(kUser, "T\\A", "v", "x");
             r.DenyFullAccess(kUser, "T\\A");
         }, 1},
        // Reading refused: the key may hold anything.
        {"every access refused", [](MemoryRegistry& r) {
             r.AddKey(kUser, "T");
             r.DenyAccess(kUser, "T");
         }, 1},
        {"every access refused below", [](MemoryRegistry& r) {
             r.AddKey(kUser, "T\\A\\B");
             r.DenyAccess(kUser, "T\\A\\B");
         }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRegistry registry;
        c.plant(registry);
        EXPECT_EQ(c.expected, CountKeyContent(registry, kUser, "T"));
    }
}

TEST(KeyContentTest, DeepChainNeedsNoStack) {
    MemoryRegistry registry;
    std::string path = "T";
    for (int i = 0; i < 5000; ++i) path += "\\k";
    registry.AddKey(kUser, path);
    EXPECT_EQ(0, CountKeyContent(registry, kUser, "T"));
    registry.SetDword(kUser, path, "v", 1);
    EXPECT_EQ(1, CountKeyContent(registry, kUser, "T"));
}

}  // namespace
}  // namespace ks
