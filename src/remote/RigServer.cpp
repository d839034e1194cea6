#include "remote/RigServer.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "core/TextFields.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace ze {

namespace {

// The protocol's return codes.
constexpr int invalidParameter = -1;
constexpr int ioError = -6;
constexpr int notAvailable = -11;

// More commands than this on one line are refused: a line may not buy unbounded work.
constexpr int maxCommandsPerLine = 8;

// The protocol's mode names in the order of "NWALUC".
constexpr const char *modeNames[] = {"FM", "WFM", "AM", "LSB", "USB", "CW"};

struct Command
{
    char letter; // 0: only the long name
    const char *name;
};

constexpr Command commands[] = {
        {'F', "set_freq"}, {'f', "get_freq"}, {'M', "set_mode"},  {'m', "get_mode"},
        {'V', "set_vfo"},  {'v', "get_vfo"},  {'l', "get_level"}, {'q', "quit"},
        {'Q', "quit"},     {0, "chk_vfo"},    {0, "dump_state"},
};

struct Reply
{
    int code = 0;
    QList<QPair<QByteArray, QByteArray>> values; // label and value
    QByteArrayList lines; // the state dump, unlabelled
};

// The words of a line, taken one by one.
class Words
{
public:
    explicit Words(const QByteArray &line)
        : m_line(line)
    {
    }
    bool atEnd()
    {
        while (m_pos < m_line.size() && (m_line[m_pos] == ' ' || m_line[m_pos] == '\t'))
            ++m_pos;
        return m_pos >= m_line.size();
    }
    char peek() { return atEnd() ? '\0' : m_line[m_pos]; }
    char take() { return atEnd() ? '\0' : m_line[m_pos++]; }
    QByteArray word()
    {
        atEnd();
        const qsizetype start = m_pos;
        while (m_pos < m_line.size() && m_line[m_pos] != ' ' && m_line[m_pos] != '\t')
            ++m_pos;
        return m_line.mid(start, m_pos - start);
    }

private:
    const QByteArray &m_line;
    qsizetype m_pos = 0;
};

bool printable(const QByteArray &text)
{
    return !text.isEmpty()
            && std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 127; });
}

// A command word that starts the extended response form; '+' answers a record a line, any
// other such mark separates the records with itself.
bool extendedMark(char c)
{
    return c > ' ' && c < 127 && std::ispunct(static_cast<unsigned char>(c)) && c != '\\'
            && c != '?' && c != '_' && c != '#';
}

// Protocol 0, model 2, region 1; one receive range and no transmit range (a receiver), the
// 100 Hz it tunes in, no filters, no RIT, XIT, IF shift, announcements, preamplifier or
// attenuator steps; of the levels only the strength can be read.
QByteArrayList dumpState()
{
    const QByteArray modes = "0x6f"; // AM CW USB LSB FM WFM
    return {"0",
            "2",
            "1",
            "100000.000000 2036000000.000000 " + modes + " -1 -1 0x1 0x1",
            "0 0 0 0 0 0 0",
            "0 0 0 0 0 0 0",
            modes + " 100",
            "0 0",
            "0 0",
            "0",
            "0",
            "0",
            "0",
            "",
            "",
            "0x0",
            "0x0",
            "0x40000000",
            "0x0",
            "0x0",
            "0x0"};
}

Reply setFrequency(Station &station, const QByteArray &argument)
{
    bool ok = false;
    const double hz = argument.toDouble(&ok);
    if (!ok || !std::isfinite(hz) || hz < 100e3 || hz > 2036e6)
        return {invalidParameter, {}, {}};
    if (!station.link().isOpen())
        return {ioError, {}, {}};
    // The receiver tunes in 100 Hz.
    station.commands().tune(std::llround(hz / 100.0) * 100);
    return {};
}

Reply setMode(Station &station, const QByteArray &name)
{
    const auto *found = std::find_if(std::begin(modeNames), std::end(modeNames),
                                     [&](const char *mode) { return name == mode; });
    if (found == std::end(modeNames))
        return {invalidParameter, {}, {}};
    if (!station.link().isOpen())
        return {ioError, {}, {}};
    station.commands().chooseMode(modeLetters.mid(found - std::begin(modeNames), 1));
    return {};
}

Reply getMode(Station &station)
{
    const int index = std::max(0, int(modeLetters.indexOf(station.commands().currentMode())));
    return {0, {{"Mode", modeNames[index]}, {"Passband", "0"}}, {}};
}

QByteArray format(const Command &command, const QByteArrayList &arguments, char mark,
                  const Reply &reply)
{
    QByteArray out;
    if (!mark) {
        if (reply.code != 0 || (reply.values.isEmpty() && reply.lines.isEmpty()))
            return "RPRT " + QByteArray::number(reply.code) + '\n';
        for (const auto &value : reply.values)
            out += value.second + '\n';
        for (const QByteArray &line : reply.lines)
            out += line + '\n';
        return out;
    }
    out = QByteArray(command.name) + ':';
    for (const QByteArray &argument : arguments)
        out += ' ' + argument;
    out += mark;
    for (const auto &value : reply.values)
        out += value.first + ": " + value.second + mark;
    for (const QByteArray &line : reply.lines)
        out += line + mark;
    return out + "RPRT " + QByteArray::number(reply.code) + '\n';
}

} // namespace

int strengthDb(int level)
{
    level = std::clamp(level, 0, 15);
    return level <= 9 ? (level - 9) * 6 : (level - 9) * 10;
}

NetworkSettings NetworkSettings::read(const StoredSettings &settings)
{
    NetworkSettings s;
    s.enabled = settings.read(QStringLiteral("NetworkControl")) == QLatin1String("1");
    bool ok = false;
    const int port = settings.read(QStringLiteral("NetworkPort")).toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        s.port = port;
    s.anyHost = settings.read(QStringLiteral("NetworkAnyHost")) == QLatin1String("1");
    return s;
}

bool NetworkSettings::store(StoredSettings &settings) const
{
    const QString on = QStringLiteral("1");
    const QString off = QStringLiteral("0");
    bool stored = settings.write(QStringLiteral("NetworkControl"), enabled ? on : off);
    stored = settings.write(QStringLiteral("NetworkPort"), QString::number(port)) && stored;
    stored = settings.write(QStringLiteral("NetworkAnyHost"), anyHost ? on : off) && stored;
    return settings.sync() && stored;
}

QByteArray answerRigLine(Station &station, const QByteArray &line, bool &quit)
{
    QByteArray out;
    Words words(line);
    for (int count = 0; !words.atEnd() && words.peek() != '#'; ++count) {
        if (count == maxCommandsPerLine)
            return out + "RPRT -1\n";
        char mark = extendedMark(words.peek()) ? words.take() : '\0';
        if (mark == '+')
            mark = '\n';
        QByteArray name;
        char letter = 0;
        if (words.peek() == '\\') {
            words.take();
            name = words.word();
        } else {
            letter = words.take();
        }
        const Command *command
                = std::find_if(std::begin(commands), std::end(commands), [&](const Command &c) {
                      return letter ? c.letter == letter : name == c.name;
                  });
        if (command == std::end(commands)) {
            // Its arguments are unknown, so the rest of the line goes with it.
            const bool word = letter ? printable(QByteArray(1, letter)) : printable(name);
            return out + (word ? "RPRT -11\n" : "RPRT -1\n");
        }
        const QByteArray verb = command->name;
        if (verb == "quit") {
            quit = true;
            return out;
        }
        QByteArrayList arguments;
        const int needed = verb.startsWith("set_") || verb == "get_level" ? 1 : 0;
        for (int i = 0; i < needed; ++i) {
            const QByteArray argument = words.word();
            if (!printable(argument))
                return out + format(*command, arguments, mark, {invalidParameter, {}, {}});
            arguments << argument;
        }
        // The passband may be left out; the receiver's filters go with its mode anyway.
        const char next = words.peek();
        if (verb == "set_mode" && (std::isdigit(static_cast<unsigned char>(next)) || next == '-')) {
            const QByteArray passband = words.word();
            bool whole = false;
            passband.toLongLong(&whole);
            // A NUL ends the number for the conversion, but not the word.
            if (!whole || !printable(passband))
                return out + format(*command, arguments, mark, {invalidParameter, {}, {}});
            arguments << passband;
        }

        Reply reply;
        const ProgramState &state = station.state();
        if (verb == "set_freq") {
            reply = setFrequency(station, arguments[0]);
        } else if (verb == "get_freq") {
            const double mhz = leadingNumber(state.tunedFrequency);
            reply.values = {{"Frequency", QByteArray::number(std::llround(mhz * 1e6))}};
        } else if (verb == "set_mode") {
            reply = setMode(station, arguments[0]);
        } else if (verb == "get_mode") {
            reply = getMode(station);
        } else if (verb == "set_vfo") {
            const QByteArrayList ours = {"VFOA", "VFO", "currVFO", "Main", "MainA", "RX"};
            reply.code = ours.contains(arguments[0]) ? 0 : notAvailable;
        } else if (verb == "get_vfo") {
            reply.values = {{"VFO", "VFOA"}};
        } else if (verb == "get_level") {
            if (arguments[0] == "STRENGTH")
                reply.values = {{"Level Value", QByteArray::number(strengthDb(state.signalLevel))}};
            else
                reply.code = notAvailable;
        } else if (verb == "chk_vfo") {
            reply.values = {{"ChkVFO", "0"}};
        } else {
            reply.lines = dumpState();
        }
        out += format(*command, arguments, mark, reply);
    }
    return out;
}

// ---- The server ----

RigServer::RigServer(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_turn(new QTimer(this))
{
    m_turn->setSingleShot(true);
    m_turn->setInterval(turnMs);
    connect(m_turn, &QTimer::timeout, this, &RigServer::nextTurn);
}

RigServer::~RigServer()
{
    // Closing sockets below must not call back into a half-destroyed server.
    for (const Client &client : m_clients)
        client.socket->disconnect(this);
}

int RigServer::port() const
{
    return m_servers.empty() ? 0 : m_servers.front()->serverPort();
}

QString RigServer::stateText() const
{
    if (!listening())
        return QString();
    const int n = clientCount();
    return QStringLiteral("Network %1: %2")
            .arg(port())
            .arg(n == 0           ? QStringLiteral("no clients")
                         : n == 1 ? QStringLiteral("1 client")
                                  : QStringLiteral("%1 clients").arg(n));
}

void RigServer::stop()
{
    while (!m_clients.empty())
        drop(m_clients.back().socket, false);
    m_servers.clear();
}

bool RigServer::apply(const NetworkSettings &settings, QString *error)
{
    QString why;
    if (!error)
        error = &why;
    stop();
    m_settings = settings;
    bool ok = true;
    if (settings.enabled) {
        // "localhost" may be either family, so this computer only means both loopbacks.
        const QList<QHostAddress> addresses = settings.anyHost
                ? QList<QHostAddress> {QHostAddress(QHostAddress::Any)}
                : QList<QHostAddress> {QHostAddress(QHostAddress::LocalHost),
                                       QHostAddress(QHostAddress::LocalHostIPv6)};
        int port = settings.port;
        for (const QHostAddress &address : addresses) {
            auto server = std::make_unique<QTcpServer>();
            if (!server->listen(address, static_cast<quint16>(port))) {
                // A machine without IPv6 still serves on the IPv4 loopback.
                if (m_servers.empty() || address != QHostAddress(QHostAddress::LocalHostIPv6)) {
                    if (error)
                        *error = QStringLiteral("Network control cannot listen on port %1: %2")
                                         .arg(settings.port)
                                         .arg(server->errorString());
                    m_servers.clear();
                    ok = false;
                    break;
                }
                continue;
            }
            port = server->serverPort();
            QTcpServer *raw = server.get();
            connect(raw, &QTcpServer::newConnection, this, [this, raw] { accept(raw); });
            m_servers.push_back(std::move(server));
        }
    }
    tellState();
    m_station.notify(NoticeSource::Network, ok ? QString() : *error);
    return ok;
}

void RigServer::accept(QTcpServer *server)
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        if (clientCount() >= maxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A full buffer stops reading from the client, which then waits in its own send.
        socket->setReadBufferSize(qint64 {4} * maxLineBytes);
        m_clients.push_back({socket});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket, false); });
    }
    tellState();
}

std::vector<RigServer::Client>::iterator RigServer::clientOf(QTcpSocket *socket)
{
    return std::find_if(m_clients.begin(), m_clients.end(),
                        [socket](const Client &c) { return c.socket == socket; });
}

void RigServer::serve(QTcpSocket *socket)
{
    const auto it = clientOf(socket);
    if (it == m_clients.end())
        return;
    Client &client = *it;
    while (client.linesThisTurn < linesPerTurn && socket->canReadLine()) {
        QByteArray line = socket->readLine(maxLineBytes + 1);
        if (!line.endsWith('\n'))
            return drop(socket, false);
        ++client.linesThisTurn;
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        bool quit = false;
        socket->write(answerRigLine(m_station, line, quit));
        if (quit)
            return drop(socket, true);
        if (socket->bytesToWrite() > maxUnreadAnswers)
            return drop(socket, false);
    }
    if (!socket->canReadLine() && socket->bytesAvailable() > maxLineBytes)
        return drop(socket, false);
    if (client.linesThisTurn > 0 && !m_turn->isActive())
        m_turn->start();
}

void RigServer::nextTurn()
{
    for (Client &client : m_clients)
        client.linesThisTurn = 0;
    // Serving may drop clients; go by socket, not by position.
    QList<QTcpSocket *> sockets;
    for (const Client &client : m_clients)
        sockets << client.socket;
    for (QTcpSocket *socket : sockets)
        serve(socket);
}

void RigServer::drop(QTcpSocket *socket, bool flush)
{
    const auto it = clientOf(socket);
    if (it == m_clients.end())
        return;
    m_clients.erase(it);
    socket->disconnect(this);
    if (flush)
        socket->disconnectFromHost();
    else
        socket->abort();
    socket->deleteLater();
    tellState();
}

void RigServer::tellState()
{
    if (m_station.hasViews())
        m_station.status().showNetworkState(stateText());
}

} // namespace ze
