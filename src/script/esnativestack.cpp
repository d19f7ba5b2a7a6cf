#include "escompiler_p.h"

#include "escontext.h"

#include <pthread.h>

namespace {

// What a check leaves below the limit for the work that runs before the next check:
// a native method, an error being built and thrown, frames made large by the
// sanitizers.
constexpr std::size_t stackMargin = 256 * 1024;

} // namespace

const char *esNativeStackLimit()
{
    thread_local const char *limit = nullptr;
    if (limit)
        return limit;
    const char *frame = static_cast<const char *>(__builtin_frame_address(0));
    const char *low = nullptr;
    std::size_t size = 0;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        void *address = nullptr;
        if (pthread_attr_getstack(&attributes, &address, &size) == 0)
            low = static_cast<const char *>(address);
        pthread_attr_destroy(&attributes);
    }
    if (!low || frame < low || frame > low + size) {
        // Unknown bounds: assume a small stack below the current frame.
        low = frame - 1024 * 1024;
        size = 1024 * 1024;
    }
    limit = low + (size > 4 * stackMargin ? stackMargin : size / 4);
    return limit;
}

void esCheckNativeStack(const ESContext *)
{
    if (static_cast<const char *>(__builtin_frame_address(0)) < esNativeStackLimit())
        ESContext::fatal(QStringLiteral("virtual machine stack too small"));
}
