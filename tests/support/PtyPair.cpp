#include "PtyPair.h"

#include "IoctlShim.h"

#include <QFile>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace zelq::test {

PtyPair::PtyPair()
{
    char name[256] = {};
    if (::openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0) {
        masterFd = slaveFd = -1;
        return;
    }
    path = QString::fromLocal8Bit(name);
    struct termios raw {};
    ::tcgetattr(slaveFd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slaveFd, TCSANOW, &raw);
    ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(masterFd, F_SETFD, FD_CLOEXEC);
    ::fcntl(slaveFd, F_SETFD, FD_CLOEXEC);
    IoctlShim::pair(slaveFd, masterFd);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (slaveFd >= 0)
        ::close(slaveFd);
}

bool PtyPair::linkAt(const QString& linkPath) const
{
    QFile::remove(linkPath);
    return QFile::link(path, linkPath);
}

void PtyPair::closeMaster()
{
    if (masterFd < 0)
        return;
    IoctlShim::unpair(masterFd);
    ::close(masterFd);
    masterFd = -1;
}

} // namespace zelq::test
