#include "remote/RigProtocol.h"

#include "core/Frequency.h"

#include <QByteArrayList>
#include <QList>
#include <QPair>

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

Reply setFrequency(RigTarget &target, const RigReading &reading, const QByteArray &argument)
{
    bool ok = false;
    const double hz = argument.toDouble(&ok);
    if (!ok || !std::isfinite(hz) || hz < 100e3 || hz > 2036e6)
        return {invalidParameter, {}, {}};
    if (!reading.reachable)
        return {ioError, {}, {}};
    // The receiver tunes in 100 Hz.
    target.setFrequency(std::llround(hz / 100.0) * 100);
    return {};
}

Reply setMode(RigTarget &target, const RigReading &reading, const QByteArray &name)
{
    const auto *found = std::find_if(std::begin(modeNames), std::end(modeNames),
                                     [&](const char *mode) { return name == mode; });
    if (found == std::end(modeNames))
        return {invalidParameter, {}, {}};
    if (!reading.reachable)
        return {ioError, {}, {}};
    target.setMode(modeLetters.mid(found - std::begin(modeNames), 1));
    return {};
}

Reply getMode(const RigReading &reading)
{
    const int index = std::max(0, int(modeLetters.indexOf(reading.mode)));
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

QByteArray answerRigLine(RigTarget &target, const QByteArray &line, bool &quit)
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
        // The passband may be left out (the receiver's filters go with its mode anyway); a word
        // after the mode is the passband.
        if (verb == "set_mode" && !words.atEnd() && words.peek() != '#') {
            const QByteArray passband = words.word();
            bool whole = false;
            passband.toLongLong(&whole);
            // A NUL ends the number for the conversion, but not the word.
            if (!whole || !printable(passband))
                return out + format(*command, arguments, mark, {invalidParameter, {}, {}});
            arguments << passband;
        }

        Reply reply;
        const RigReading reading = target.reading();
        if (verb == "set_freq") {
            reply = setFrequency(target, reading, arguments[0]);
        } else if (verb == "get_freq") {
            reply.values = {{"Frequency", QByteArray::number(reading.hz)}};
        } else if (verb == "set_mode") {
            reply = setMode(target, reading, arguments[0]);
        } else if (verb == "get_mode") {
            reply = getMode(reading);
        } else if (verb == "set_vfo") {
            const QByteArrayList ours = {"VFOA", "VFO", "currVFO", "Main", "MainA", "RX"};
            reply.code = ours.contains(arguments[0]) ? 0 : notAvailable;
        } else if (verb == "get_vfo") {
            reply.values = {{"VFO", "VFOA"}};
        } else if (verb == "get_level") {
            if (arguments[0] != "STRENGTH")
                reply.code = notAvailable;
            else if (!reading.reachable)
                reply.code = ioError;
            else
                reply.values = {{"Level Value", QByteArray::number(strengthDb(reading.level))}};
        } else if (verb == "chk_vfo") {
            reply.values = {{"ChkVFO", "0"}};
        } else {
            reply.lines = dumpState();
        }
        out += format(*command, arguments, mark, reply);
    }
    return out;
}

} // namespace ze
