#include "dsp/HelperThread.h"

#include <new>
#include <system_error>

namespace korvel {

HelperThread::~HelperThread()
{
    if (!thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

bool HelperThread::start(std::function<void()> next)
{
    if (!thread.joinable()) {
        try {
            thread = std::thread(&HelperThread::loop, this);
        } catch (const std::system_error&) {
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        task = std::move(next);
        busy = true;
        outOfMemory = false;
    }
    changed.notify_all();
    return true;
}

void HelperThread::wait()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !busy; });
    if (outOfMemory) {
        outOfMemory = false;
        throw std::bad_alloc();
    }
}

void HelperThread::loop()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return busy || stopping; });
        if (!busy)
            return;
        std::function<void()> current = std::move(task);
        lock.unlock();
        bool failed = false;
        try {
            current();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        lock.lock();
        outOfMemory = failed;
        busy = false;
        changed.notify_all();
    }
}

}  // namespace korvel
