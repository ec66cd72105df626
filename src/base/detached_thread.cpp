#include "base/detached_thread.h"

#include <pthread.h>

#include <system_error>

namespace ks::detail {

namespace {

struct Start {
    void (*run)(void*);
    void* argument;
};

void* Trampoline(void* raw) {
    const Start start = *static_cast<Start*>(raw);
    delete static_cast<Start*>(raw);
    start.run(start.argument);
    return nullptr;
}

}  // namespace

void StartDetached(void (*run)(void*), void* argument) {
    pthread_attr_t attributes;
    if (const int error = pthread_attr_init(&attributes))
        throw std::system_error(error, std::generic_category(), "thread attributes");
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* start = new Start{run, argument};
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, &Trampoline, start);
    pthread_attr_destroy(&attributes);
    if (error) {
        delete start;
        throw std::system_error(error, std::generic_category(), "a thread cannot be started");
    }
}

}  // namespace ks::detail
