// The wrapper's I/O thread: transfers through Aravis, one at a time in the
// order given, each a job that the caller and the thread own jointly.
#pragma once

#include <arv.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace GenApi {
namespace Internal {

//! One transfer, owned jointly by the caller and the I/O thread: a caller
//! that gives up waiting must not leave the thread writing into its buffer.
struct IoJob
{
    enum class Kind
    {
        ReadMemory,
        WriteMemory,
        ReadRegister,
        WriteRegister,
        LeaveControl
    };
    Kind kind = Kind::ReadMemory;
    guint64 address = 0;
    std::vector<guint8> data;
    guint32 value = 0;
    std::atomic<bool> started{false}; //!< set by the I/O thread when it takes the job
    std::atomic<bool> done{false};    //!< set by the I/O thread after everything else
    bool ok = false;
    GError* error = nullptr;

    ~IoJob() { g_clear_error(&error); }
};

//! Runs transfers through Aravis on a thread of its own, one at a time in
//! the order given, so that a caller waits at most a deadline for the answer
//! however long Aravis retries. Holds the reference to the Aravis device; the
//! last owner (the wrapper or, after a transfer that outlived its caller, the
//! thread) releases it.
class IoWorker
{
public:
    explicit IoWorker(ArvDevice* device) : m_device(device) {}
    ~IoWorker() { g_object_unref(m_device); }
    IoWorker(const IoWorker&) = delete;
    IoWorker& operator=(const IoWorker&) = delete;

    ArvDevice* device() const { return m_device; }

    static void loop(std::shared_ptr<IoWorker> self)
    {
        std::unique_lock<std::mutex> lock(self->m_mutex);
        for (;;) {
            self->m_cv.wait(lock, [&] { return self->m_stop || !self->m_queue.empty(); });
            if (self->m_stop)
                return;
            std::shared_ptr<IoJob> job = std::move(self->m_queue.front());
            self->m_queue.pop_front();
            self->m_busy = true;
            lock.unlock();
            job->started = true;
            self->transfer(*job);
            lock.lock();
            self->m_busy = false;
            job->done = true;
            self->m_cv.notify_all();
        }
    }

    //! Queues the job without waiting for it.
    void post(const std::shared_ptr<IoJob>& job)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(job);
        m_cv.notify_all();
    }

    //! Waits until the job is done, at most until deadline: false when it is
    //! not (it may still finish later, unseen).
    bool wait(const std::shared_ptr<IoJob>& job, std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_until(lock, deadline, [&] { return job->done.load(); });
    }

    bool run(const std::shared_ptr<IoJob>& job, int deadlineMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
        post(job);
        return wait(job, deadline);
    }

    //! Asks the thread to end; true when it is idle (joining returns at once).
    bool stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
        m_cv.notify_all();
        return !m_busy;
    }

    std::atomic<bool> controlLost{false};

private:
    void transfer(IoJob& job)
    {
        GError** error = &job.error;
        switch (job.kind) {
        case IoJob::Kind::ReadMemory:
            job.ok = arv_device_read_memory(m_device, job.address, static_cast<guint32>(job.data.size()),
                                            job.data.data(), error);
            break;
        case IoJob::Kind::WriteMemory:
            job.ok = arv_device_write_memory(m_device, job.address, static_cast<guint32>(job.data.size()),
                                             job.data.data(), error);
            break;
        case IoJob::Kind::ReadRegister:
            job.ok = arv_device_read_register(m_device, job.address, &job.value, error);
            break;
        case IoJob::Kind::WriteRegister:
            job.ok = arv_device_write_register(m_device, job.address, job.value, error);
            break;
        case IoJob::Kind::LeaveControl:
            job.ok =
                ARV_IS_GV_DEVICE(m_device) && arv_gv_device_leave_control(ARV_GV_DEVICE(m_device), error);
            break;
        }
    }

    ArvDevice* m_device;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::shared_ptr<IoJob>> m_queue;
    bool m_busy = false;
    bool m_stop = false;
};

} // namespace Internal
} // namespace GenApi
