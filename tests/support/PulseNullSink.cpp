#include "PulseNullSink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace zelq::test {

PulseNullSink::PulseNullSink() : dir(QDir::tempPath() + QStringLiteral("/zelq-pulse-XXXXXX"))
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    const QString pactl = QStandardPaths::findExecutable(QStringLiteral("pactl"));
    if (exe.isEmpty() || pactl.isEmpty() || !dir.isValid()) {
        problem = QStringLiteral("pulseaudio and pactl are not installed");
        return;
    }
    QDir(dir.path()).mkpath(QStringLiteral("run"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path() + QStringLiteral("/run"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    daemon = new QProcess;
    daemon->setProcessEnvironment(env);
    // A test that crashes takes its server with it.
    daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon->setStandardOutputFile(dir.path() + QStringLiteral("/pulse.log"));
    daemon->setStandardErrorFile(dir.path() + QStringLiteral("/pulse.log"));
    daemon->start(exe, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                        QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=") + sinkName(),
                        QStringLiteral("-L"),
                        QStringLiteral("module-remap-source source_name=") + captureName() + QStringLiteral(" master=")
                            + sinkName() + QStringLiteral(".monitor"),
                        QStringLiteral("-L"),
                        QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + dir.path()
                            + QStringLiteral("/native")});
    if (!daemon->waitForStarted(5000)) {
        problem = QStringLiteral("pulseaudio did not start");
        return;
    }
    // Ready when it answers.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        QProcess probe;
        QProcessEnvironment penv = env;
        penv.insert(QStringLiteral("PULSE_SERVER"), server());
        probe.setProcessEnvironment(penv);
        probe.start(pactl, {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
        if (probe.waitForFinished(3000) && probe.exitCode() == 0 && probe.readAll().contains(sinkName().toUtf8())) {
            running = true;
            qputenv("PULSE_SERVER", server().toUtf8());
            return;
        }
        if (daemon->state() != QProcess::Running)
            break;
        QThread::msleep(100);
    }
    problem = QStringLiteral("pulseaudio did not answer");
}

PulseNullSink::~PulseNullSink()
{
    if (daemon) {
        daemon->terminate();
        if (!daemon->waitForFinished(3000))
            daemon->kill();
        daemon->waitForFinished(1000);
        delete daemon;
    }
}

QString PulseNullSink::server() const
{
    return QStringLiteral("unix:") + dir.path() + QStringLiteral("/native");
}

} // namespace zelq::test
