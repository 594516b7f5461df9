#include "IoctlShim.h"

#include "../shim/ioctl_shim.h"

#include <QFile>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelq::test {

namespace {

template <typename F> F* shimFunction(const char* name)
{
    return reinterpret_cast<F*>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

bool IoctlShim::loaded()
{
    return shimFunction<decltype(zelq_shim_events)>("zelq_shim_events") != nullptr;
}

void IoctlShim::preloadOrRestart(char** argv)
{
    if (loaded() || qEnvironmentVariableIsSet("ZELQ_SHIM_RESTARTED"))
        return;
    qputenv("LD_PRELOAD", ZELQ_IOCTL_SHIM);
    qputenv("ZELQ_SHIM_RESTARTED", "1");
    ::execv("/proc/self/exe", argv);
}

QList<ShimEvent> IoctlShim::events()
{
    QList<ShimEvent> out;
    auto* fetch = shimFunction<decltype(zelq_shim_events)>("zelq_shim_events");
    if (!fetch)
        return out;
    QList<zelq_shim_event> raw(8192);
    const int total = fetch(raw.data(), int(raw.size()));
    for (int i = 0; i < std::min<int>(total, int(raw.size())); ++i)
        out.append({raw[i].monotonic_ns, raw[i].rdev, ShimEvent::Kind(raw[i].kind), raw[i].value});
    return out;
}

QList<ShimEvent> IoctlShim::eventsOf(unsigned long rdev)
{
    QList<ShimEvent> out;
    for (const ShimEvent& e : events())
        if (e.rdev == rdev)
            out.append(e);
    return out;
}

unsigned long IoctlShim::deviceOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_rdev : 0;
}

void IoctlShim::clear()
{
    if (auto* f = shimFunction<decltype(zelq_shim_clear)>("zelq_shim_clear"))
        f();
}

void IoctlShim::substituteBaud(unsigned asked, unsigned given)
{
    if (auto* f = shimFunction<decltype(zelq_shim_substitute_baud)>("zelq_shim_substitute_baud"))
        f(asked, given);
}

std::optional<IoctlShim::Flags> IoctlShim::requested(unsigned long rdev)
{
    Flags f;
    auto* get = shimFunction<decltype(zelq_shim_requested)>("zelq_shim_requested");
    if (!get || !get(rdev, &f.iflag, &f.cflag))
        return std::nullopt;
    return f;
}

int IoctlShim::linesOf(unsigned long rdev)
{
    const QList<ShimEvent> log = eventsOf(rdev);
    for (auto it = log.crbegin(); it != log.crend(); ++it)
        if (it->kind == ShimEvent::Lines)
            return it->value;
    return -1;
}

void IoctlShim::pair(int slaveFd, int masterFd)
{
    if (auto* f = shimFunction<decltype(zelq_shim_pair)>("zelq_shim_pair"))
        f(slaveFd, masterFd);
}

void IoctlShim::unpair(int masterFd)
{
    if (auto* f = shimFunction<decltype(zelq_shim_unpair)>("zelq_shim_unpair"))
        f(masterFd);
}

} // namespace zelq::test
