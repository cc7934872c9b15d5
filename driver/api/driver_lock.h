// The one lock around every call of D_SendDrvCmd. On Windows a critical
// section: the library's static objects are built when the DLL is loaded and
// destroyed when it is unloaded, so the section exists before the first call
// and is deleted at unload.
#ifndef R70_DRIVER_LOCK_H
#define R70_DRIVER_LOCK_H

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace r70 {

#ifdef _WIN32
class DriverLock {
public:
    DriverLock() noexcept { InitializeCriticalSection(&section_); }
    ~DriverLock() { DeleteCriticalSection(&section_); }
    DriverLock(const DriverLock&) = delete;
    DriverLock& operator=(const DriverLock&) = delete;
    void lock() noexcept { EnterCriticalSection(&section_); }
    void unlock() noexcept { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};
#else
using DriverLock = std::mutex;
#endif

} // namespace r70

#endif
