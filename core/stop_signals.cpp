#include "core/stop_signals.h"

#include "profile/atomic_file.h"

#ifndef _WIN32
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#endif

namespace quorvex::core {

#ifndef _WIN32

StopOnSignals::StopOnSignals(std::function<void()> cleanup) {
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stops, sig);
    // Threads made from now on (Qt's, the driver's) inherit the mask.
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread([stops, cleanup = std::move(cleanup)] {
        int sig = 0;
        while (sigwait(&stops, &sig) != 0) {
        }
        profile::stopReplacing();
        if (cleanup) cleanup();
        // Ended by the signal itself, so the caller (a shell, a service
        // manager) sees what ended it.
        std::signal(sig, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, sig);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        ::raise(sig);
        ::_exit(128 + sig);
    }).detach();
}

#else

StopOnSignals::StopOnSignals(std::function<void()> /*cleanup*/) {}

#endif

} // namespace quorvex::core
