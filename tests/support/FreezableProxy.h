#pragma once
// A TCP relay between the program and a server, on a thread of its own, that
// a test can freeze: as a log server's host that stops answering (nothing
// passes either way), or as a network that loses the server's answer to an
// insert (the insert reaches the server and takes effect; from then on no
// answer comes back on that connection).
// The program connects to 127.0.0.1:port() instead of the server.

#include <QString>
#include <atomic>
#include <memory>

class QThread;

namespace zelq::test {

class ProxyCore;

class FreezableProxy {
public:
    enum class Mode { Pass, Freeze, LoseRepliesAfterInsert };

    FreezableProxy(const QString& host, quint16 port);
    ~FreezableProxy();
    FreezableProxy(const FreezableProxy&) = delete;
    FreezableProxy& operator=(const FreezableProxy&) = delete;

    quint16 port() const { return listenPort; }
    void setMode(Mode m);
    // Closes every relayed connection (the program sees them drop).
    void dropConnections();
    // The server address with the relay in its place.
    static QString relayedAddress(const QString& postgresAddress, quint16 relayPort);

private:
    QThread* thread = nullptr;
    ProxyCore* core = nullptr;
    quint16 listenPort = 0;
};

} // namespace zelq::test
