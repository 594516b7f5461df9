#pragma once
// A thread of its own for the statements of one log connection, so that the
// window can stop waiting: a locked file, a frozen log server or a pulled
// cable costs the operator a bounded wait, never a frozen window.
//
// run() hands a job to the thread and waits for it at most the bound it is
// given. A job given up on is cancelled where the engine allows it: an
// SQLite statement is interrupted, a PostgreSQL connection has its socket
// shut down (the blocked call returns at once and the connection counts as
// lost). A job still queued when given up on never runs.
//
// The connection's engine handle is published by the jobs that open and
// close it (setNativeHandle), under the same lock that tells which job is
// running, so an interrupt never reaches a statement other than the one
// given up on.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace zelq {

class LogWorker {
public:
    enum class Engine { None, SQLite, PostgreSQL };

    LogWorker();
    ~LogWorker();
    LogWorker(const LogWorker&) = delete;
    LogWorker& operator=(const LogWorker&) = delete;

    // Runs `job` on the worker thread; true when it finished within
    // `boundMs`. On false the job was cancelled (or will never run).
    bool run(std::function<void()> job, int boundMs);
    // Queues `job` without waiting for it (a background read that reports
    // its result itself). Jobs run in the order queued, with run()'s.
    void post(std::function<void()> job);

    // Called on the waiting thread when a wait lasts longer than a moment
    // (true) and when it ends (false): the window shows that it waits.
    std::function<void(bool waiting)> onWaiting;

    // For jobs: publishes the open connection's engine handle (sqlite3* or
    // PGconn*), or None before it is closed. It stays valid as long as a
    // job that holds it runs, even past the worker's end.
    using HandlePublisher = std::function<void(Engine, void*)>;
    HandlePublisher handlePublisher() const;

    // How long a wait lasts before onWaiting(true).
    static constexpr int waitingNoticeMs = 150;

private:
    struct Task {
        std::function<void()> fn;
        bool done = false;
        bool abandoned = false;
    };
    // Shared with the thread, which may outlive this object when a
    // statement ignores every cancel.
    struct State {
        std::mutex lock;
        std::condition_variable wake;     // the thread: work arrived
        std::condition_variable finished; // the callers: a task finished
        std::deque<std::shared_ptr<Task>> queue;
        std::shared_ptr<Task> running;
        bool stopping = false;
        Engine engine = Engine::None;
        void* handle = nullptr;

        void interruptRunning(); // with `lock` held
    };

    static void loop(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state;
    QThread* thread = nullptr;
};

} // namespace zelq
