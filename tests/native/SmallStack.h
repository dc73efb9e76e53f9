// Runs a function on a thread with a small stack, so that code which
// recursed once per nesting level would overflow where a test can see it
// (the main thread's 8 MiB might absorb 100,000 small frames).
#pragma once

#include <functional>
#include <pthread.h>
#include <stdexcept>

namespace vesko {

inline void RunOnSmallStack(const std::function<void()>& work, std::size_t bytes = 256 * 1024) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    const int failed = pthread_create(&thread, &attributes, body, const_cast<std::function<void()>*>(&work));
    pthread_attr_destroy(&attributes);
    if (failed) throw std::runtime_error("pthread_create failed");
    pthread_join(thread, nullptr);
}

}  // namespace vesko
