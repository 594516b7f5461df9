#include "log/LogWorker.h"

#include <QThread>
#include <chrono>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/socket.h>

namespace zelq {

LogWorker::LogWorker()
{
    thread = QThread::create([this] { loop(); });
    thread->setObjectName(QStringLiteral("zelq-log"));
    thread->start();
}

LogWorker::~LogWorker()
{
    {
        std::lock_guard<std::mutex> g(lock);
        stopping = true;
        for (auto& t : queue)
            t->abandoned = true;
        interruptRunning();
    }
    wake.notify_all();
    if (thread->wait(5000)) {
        delete thread;
    } else {
        // A statement that ignores every cancel: leave the thread to end on
        // its own rather than block the program's exit. It touches nothing
        // of ours but its own job.
        thread->setParent(nullptr);
    }
}

void LogWorker::loop()
{
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock<std::mutex> g(lock);
            wake.wait(g, [this] { return stopping || !queue.empty(); });
            if (queue.empty())
                return; // stopping
            task = queue.front();
            queue.pop_front();
            if (task->abandoned)
                continue;
            running = task;
        }
        task->fn();
        {
            std::lock_guard<std::mutex> g(lock);
            running.reset();
            task->done = true;
            task->fn = nullptr; // what it captured goes now, on this thread
        }
        finished.notify_all();
    }
}

bool LogWorker::run(std::function<void()> job, int boundMs)
{
    auto task = std::make_shared<Task>();
    task->fn = std::move(job);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    std::unique_lock<std::mutex> g(lock);
    queue.push_back(task);
    wake.notify_one();
    const auto isDone = [&task] { return task->done; };
    const auto notice = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(std::min(boundMs, waitingNoticeMs));
    if (finished.wait_until(g, notice, isDone))
        return true;
    bool shown = false;
    if (onWaiting && boundMs > waitingNoticeMs) {
        g.unlock();
        onWaiting(true);
        shown = true;
        g.lock();
    }
    const bool done = finished.wait_until(g, deadline, isDone);
    if (!done) {
        task->abandoned = true;
        if (running == task)
            interruptRunning();
    }
    g.unlock();
    if (shown)
        onWaiting(false);
    return done;
}

void LogWorker::setNativeHandle(Engine e, void* h)
{
    std::lock_guard<std::mutex> g(lock);
    engine = h ? e : Engine::None;
    handle = h;
}

void LogWorker::interruptRunning()
{
    if (!handle)
        return;
    switch (engine) {
    case Engine::SQLite:
        sqlite3_interrupt(static_cast<sqlite3*>(handle));
        break;
    case Engine::PostgreSQL: {
        // The blocked read or write returns at once; the connection is
        // then lost and the next statement opens a new one.
        const int fd = PQsocket(static_cast<PGconn*>(handle));
        if (fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
        break;
    }
    case Engine::None:
        break;
    }
}

} // namespace zelq
