#include "spots/TncPort.h"

namespace zelq {

TncPort::TncPort(SerialLine& l, QObject* parent) : QObject(parent), line(&l)
{
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, [this] {
        if (!open)
            return;
        if (openLine(nullptr))
            emit note(QStringLiteral("** TNC Serial Port Open **"));
        else
            retry.start(retryMs);
    });
    connect(line, &SerialLine::failed, this, &TncPort::onFailed);
}

TncPort::~TncPort()
{
    close();
}

QString TncPort::settingsText(const SpotSettings& s)
{
    return QStringList{s.baud, s.parity, s.dataBits, s.stopBits}.join(QLatin1Char(','));
}

Handshake TncPort::handshakeOf(int handshaking)
{
    switch (handshaking) {
    case 2: return Handshake::XonXoff;
    case 3: return Handshake::RtsCts;
    case 4: return Handshake::RtsCtsXonXoff;
    default: return Handshake::None;
    }
}

bool TncPort::OpenTncPort(const SpotSettings& s, QString* failure)
{
    close();
    request = SerialOpenRequest{};
    request.port = s.comPort;
    request.settingsText = settingsText(s);
    request.handshake = handshakeOf(s.handshaking);
    request.owner = QStringLiteral("DX spotting");
    power = s.power;
    input.clear();
    if (!openLine(failure))
        return false;
    open = true;
    return true;
}

bool TncPort::openLine(QString* failure)
{
    if (!line || !line->open(request)) {
        if (failure && line)
            *failure = line->openFailure();
        return false;
    }
    // Both lines down, then the one that powers the TNC up; a line the
    // port cannot set (RTS under RTS/CTS handshaking) is no failure.
    line->lowerDtrAndRts();
    if (power == QLatin1String("R"))
        line->setRts(true);
    else if (power == QLatin1String("D"))
        line->setDtr(true);
    return true;
}

void TncPort::close()
{
    open = false;
    retry.stop();
    if (isOpen())
        line->close();
    input.clear();
}

void TncPort::onFailed(const QString& reason)
{
    if (!open)
        return;
    input.clear();
    emit note(QStringLiteral("** TNC port lost: %1; trying again every %2 s **").arg(reason).arg(retryMs / 1000));
    retry.start(retryMs);
}

QStringList TncPort::ReadTncInput()
{
    if (!isOpen())
        return {};
    const QString text = line->readAllText();
    return text.isEmpty() ? QStringList{} : input.feed(text);
}

bool TncPort::sendLine(const QString& text)
{
    return isOpen() && line->writeText(text + QLatin1Char('\r'));
}

bool TncPort::sendCommandCharacter(const QString& hex)
{
    const std::optional<char> c = commandCharacter(hex);
    return c && isOpen() && line->write(QByteArray(1, *c));
}

} // namespace zelq
