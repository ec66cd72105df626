// A thread that nobody waits for: it runs its work to the end and frees what
// it was given. Started detached from the first, never detached afterwards:
// under Wine, a std::thread detached after it was made sometimes did not run
// for minutes (measured: about one in a few hundred, with the MinGW
// threads library in 32-bit and 64-bit programs alike), while one made
// detached ran every time.
#pragma once

#include <exception>
#include <memory>
#include <utility>

namespace ks {

namespace detail {
// Runs run(argument) on a new detached thread; throws std::system_error when
// none can be made.
void StartDetached(void (*run)(void*), void* argument);
}  // namespace detail

template <class Work>
void StartDetachedThread(Work work) {
    auto owned = std::make_unique<Work>(std::move(work));
    detail::StartDetached(
        [](void* raw) {
            const std::unique_ptr<Work> mine(static_cast<Work*>(raw));
            // As with std::thread, work that throws ends the program.
            try {
                (*mine)();
            } catch (...) {
                std::terminate();
            }
        },
        owned.get());
    owned.release();
}

}  // namespace ks
