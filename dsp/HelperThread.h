#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvel {

// A second thread that does one task at a time for its owner while the
// owner does its own share, started the first time it is needed and kept
// until the owner goes. The owner waits for each task before it uses what
// the task made.
class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread();

    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Starts the task on the helper. False when the system gives no thread:
    // the owner then does the task itself.
    bool start(std::function<void()> task);
    // Waits until the task started last has finished. An allocation failure
    // of the task comes back here as std::bad_alloc.
    void wait();

private:
    void loop();

    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> task;
    bool busy = false;
    bool stopping = false;
    bool outOfMemory = false;
};

}  // namespace korvel
