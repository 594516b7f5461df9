#pragma once
// A pseudo terminal made by the test itself: the program opens the slave
// path as its serial port, the test's simulator talks on the master end.
// Both ends are raw (no echo, no line editing). Closing the master while
// the program holds the slave is what unplugging an adapter looks like.

#include <QString>

namespace zelq::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return masterFd >= 0; }
    int master() const { return masterFd; }
    // /dev/pts/N
    QString slavePath() const { return path; }
    // A symbolic link to the slave at `linkPath`; true when made.
    bool linkAt(const QString& linkPath) const;

    // Unplugs: closes the master end (the simulator's side).
    void closeMaster();

private:
    int masterFd = -1;
    int slaveFd = -1; // kept open so the master never sees a hang-up between opens
    QString path;
};

} // namespace zelq::test
