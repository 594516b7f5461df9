#include "log/LogChangeListener.h"

#include "log/LogConnectionSetup.h"

#include "log/LogAddress.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThread>
#include <QTimer>
#include <QUuid>
#include <QVariant>
#include <algorithm>

namespace zelq {

namespace {

const QString channel = QStringLiteral("tbllog_changed");

// A name that tells the server's operator what the idle connection is for.
const QString listenerName = QStringLiteral("application_name=zelq-listener");

constexpr int healthCheckMs = 1000;
constexpr int firstRetryMs = 2000;
constexpr int maxRetryMs = 16000;
constexpr int coalesceMs = 50;

} // namespace

// Lives in the listener's thread: opens, watches and reopens the connection.
class LogChangeListener::Worker : public QObject {
public:
    Worker(const LogAddress& address, LogChangeListener* owner, quint64 generation)
        : addr(address),
          owner(owner),
          generation(generation),
          name(QStringLiteral("zelq_listen_") + QUuid::createUuid().toString(QUuid::Id128)),
          health(new QTimer(this)),
          retry(new QTimer(this))
    {
        health->setInterval(healthCheckMs);
        retry->setSingleShot(true);
        QObject::connect(health, &QTimer::timeout, this, [this] { checkHealth(); });
        QObject::connect(retry, &QTimer::timeout, this, [this] { attempt(); });
    }

    void start() { attempt(); }

    void shutdown()
    {
        health->stop();
        retry->stop();
        close();
        owner->subscribed = false;
    }

private:
    void attempt()
    {
        if (!open()) {
            retryLater();
            return;
        }
        retryMs = firstRetryMs;
        owner->subscribed = true;
        health->start();
        // Notices sent while the connection was down are gone.
        if (wasOpen)
            notify(QString(), true);
        wasOpen = true;
    }

    bool open()
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            setUpLogConnection(db, addr, "ro", listenerName);
            if (db.open() && db.driver()->subscribeToNotification(channel)) {
                QObject::connect(db.driver(), &QSqlDriver::notification, this,
                                 [this](const QString& n, QSqlDriver::NotificationSource,
                                        const QVariant& payload) {
                                     if (n == channel)
                                         notify(payload.toString(), false);
                                 });
                ok = true;
            }
        }
        if (!ok)
            close();
        return ok;
    }

    void close()
    {
        if (!QSqlDatabase::contains(name))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    // The driver reads the socket whenever it becomes readable; a closed or
    // failed connection leaves it not open.
    void checkHealth()
    {
        if (QSqlDatabase::database(name, false).isOpen())
            return;
        owner->subscribed = false;
        health->stop();
        close();
        retryMs = firstRetryMs;
        retryLater();
    }

    void retryLater()
    {
        retry->start(retryMs);
        retryMs = std::min(retryMs * 2, maxRetryMs);
    }

    void notify(const QString& payload, bool lost)
    {
        LogChangeListener* o = owner;
        const quint64 g = generation;
        QMetaObject::invokeMethod(o, [o, g, payload, lost] { o->relay(g, payload, lost); },
                                  Qt::QueuedConnection);
    }

    LogAddress addr;
    LogChangeListener* owner;
    quint64 generation;
    QString name;
    QTimer* health;
    QTimer* retry;
    int retryMs = firstRetryMs;
    bool wasOpen = false;
};

LogChangeListener::LogChangeListener(QObject* parent)
    : QObject(parent), coalesce(new QTimer(this))
{
    coalesce->setSingleShot(true);
    coalesce->setInterval(coalesceMs);
    connect(coalesce, &QTimer::timeout, this, [this] {
        if (heldBack) {
            heldBack = false;
            emit changed();
        }
    });
}

LogChangeListener::~LogChangeListener()
{
    stop();
}

void LogChangeListener::listen(const QString& logPath, const QString& baseFolder)
{
    stop();
    const LogAddress a = LogAddress::parse(logPath, baseFolder);
    if (!a.isServer() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return;
    thread = new QThread;
    thread->setObjectName(QStringLiteral("zelq-log-listener"));
    worker = new Worker(a, this, generation);
    worker->moveToThread(thread);
    thread->start();
    Worker* w = worker;
    QMetaObject::invokeMethod(w, [w] { w->start(); }, Qt::QueuedConnection);
}

void LogChangeListener::stop()
{
    ++generation; // notices still under way are dropped
    coalesce->stop();
    received.clear();
    lostSome = false;
    if (thread) {
        Worker* w = worker;
        QMetaObject::invokeMethod(w, [w] { w->shutdown(); }, Qt::BlockingQueuedConnection);
        thread->quit();
        thread->wait();
        delete worker; // its thread has ended: nothing of it runs any more
        delete thread;
        worker = nullptr;
        thread = nullptr;
    }
    subscribed = false;
}

QStringList LogChangeListener::takeNotices()
{
    QStringList taken;
    if (lostSome)
        lostSome = false; // the taker reloads everything
    else
        taken.swap(received);
    received.clear();
    return taken;
}

void LogChangeListener::relay(quint64 fromGeneration, const QString& payload, bool lost)
{
    if (fromGeneration != generation)
        return;
    if (lost)
        lostSome = true;
    else
        received << payload;
    // The first notice is passed on at once; those that follow within the
    // window are gathered into one, so a bulk append is not hundreds of polls.
    if (!coalesce->isActive()) {
        coalesce->start();
        emit changed();
    } else {
        heldBack = true;
    }
}

} // namespace zelq
