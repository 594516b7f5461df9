#include "log/LogWorker.h"

#include <QThread>
#include <chrono>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/socket.h>

namespace zelq {

LogWorker::LogWorker() : state(std::make_shared<State>())
{
    thread = QThread::create([s = state] { loop(s); });
    thread->setObjectName(QStringLiteral("zelq-log"));
    thread->start();
}

LogWorker::~LogWorker()
{
    {
        std::lock_guard<std::mutex> g(state->lock);
        state->stopping = true;
        for (auto& t : state->queue)
            t->abandoned = true;
        state->interruptRunning();
    }
    state->wake.notify_all();
    if (thread->wait(5000)) {
        delete thread;
    } else {
        // A statement that ignores every cancel: leave the thread to end on
        // its own rather than block the program's exit. What it uses is
        // shared with it and outlives this object.
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    }
}

void LogWorker::loop(const std::shared_ptr<State>& s)
{
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock<std::mutex> g(s->lock);
            s->wake.wait(g, [&s] { return s->stopping || !s->queue.empty(); });
            if (s->queue.empty())
                return; // stopping
            task = s->queue.front();
            s->queue.pop_front();
            if (task->abandoned)
                continue;
            s->running = task;
        }
        task->fn();
        std::function<void()> spent;
        {
            std::lock_guard<std::mutex> g(s->lock);
            s->running.reset();
            task->done = true;
            spent.swap(task->fn); // what it captured goes on this thread
        }
        s->finished.notify_all();
    }
}

bool LogWorker::run(std::function<void()> job, int boundMs)
{
    auto task = std::make_shared<Task>();
    task->fn = std::move(job);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(boundMs);
    std::unique_lock<std::mutex> g(state->lock);
    state->queue.push_back(task);
    state->wake.notify_one();
    const auto isDone = [&task] { return task->done; };
    const auto notice = start + std::chrono::milliseconds(std::min(boundMs, waitingNoticeMs));
    if (state->finished.wait_until(g, notice, isDone))
        return true;
    bool shown = false;
    if (onWaiting && boundMs > waitingNoticeMs) {
        g.unlock();
        onWaiting(true);
        shown = true;
        g.lock();
    }
    const bool done = state->finished.wait_until(g, deadline, isDone);
    if (!done) {
        task->abandoned = true;
        if (state->running == task)
            state->interruptRunning();
    }
    g.unlock();
    if (shown && onWaiting)
        onWaiting(false);
    return done;
}

void LogWorker::post(std::function<void()> job)
{
    auto task = std::make_shared<Task>();
    task->fn = std::move(job);
    {
        std::lock_guard<std::mutex> g(state->lock);
        if (state->stopping)
            return;
        state->queue.push_back(task);
    }
    state->wake.notify_one();
}

LogWorker::HandlePublisher LogWorker::handlePublisher() const
{
    return [s = state](Engine e, void* h) {
        std::lock_guard<std::mutex> g(s->lock);
        s->engine = h ? e : Engine::None;
        s->handle = h;
    };
}

void LogWorker::State::interruptRunning()
{
    if (!handle || !running)
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
