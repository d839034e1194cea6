#include "Scenario.h"

#include "Protocol.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

namespace zesim {

namespace {

constexpr size_t maxScenarioBytes = size_t {4} * 1024 * 1024;

class LineParser
{
public:
    LineParser(int lineNumber, std::vector<std::string_view> words)
        : m_line(lineNumber)
        , m_words(std::move(words))
    {
    }

    const std::string &error() const { return m_error; }
    size_t size() const { return m_words.size(); }
    std::string_view word(size_t i) const { return m_words[i]; }

    bool fail(const std::string &message)
    {
        m_error = "line " + std::to_string(m_line) + ": " + message;
        return false;
    }

    bool expectCount(size_t min, size_t max)
    {
        if (m_words.size() < min)
            return fail("'" + std::string(m_words[0]) + "' needs more values");
        if (m_words.size() > max)
            return fail("unexpected '" + std::string(m_words[max]) + "'");
        return true;
    }

    bool integer(size_t i, int min, int max, const char *what, int &value)
    {
        const std::string_view w = m_words[i];
        int v = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
        if (ec != std::errc() || end != w.data() + w.size() || v < min || v > max)
            return fail(std::string(what) + " must be a whole number from " + std::to_string(min)
                        + " to " + std::to_string(max) + ", got '" + std::string(w) + "'");
        value = v;
        return true;
    }

    bool seconds(size_t i, bool allowZero, double &value)
    {
        const std::string_view w = m_words[i];
        double v = 0;
        const auto [end, ec]
                = std::from_chars(w.data(), w.data() + w.size(), v, std::chars_format::fixed);
        if (ec != std::errc() || end != w.data() + w.size() || !std::isfinite(v) || v < 0 || v > 1e6
            || (!allowZero && v == 0))
            return fail(std::string(allowZero ? "seconds must be 0 or more"
                                              : "seconds must be more than 0")
                        + ", got '" + std::string(w) + "'");
        value = v;
        return true;
    }

    bool megahertz(size_t i, long long &tenHz)
    {
        const std::string_view w = m_words[i];
        if (!frequencyToTenHz(w, tenHz) || tenHz == 0)
            return fail(
                    "frequency must be megahertz such as 145.5000 (above 0, below 1000000), got '"
                    + std::string(w) + "'");
        return true;
    }

    bool keyword(size_t i, std::string_view expected)
    {
        if (m_words[i] != expected)
            return fail("expected '" + std::string(expected) + "', got '" + std::string(m_words[i])
                        + "'");
        return true;
    }

private:
    int m_line;
    std::vector<std::string_view> m_words;
    std::string m_error;
};

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
            ++j;
        if (j > i)
            words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

bool parseStatement(LineParser &p, Scenario &s)
{
    const std::string_view what = p.word(0);
    if (what == "pacing") {
        if (!p.expectCount(2, 2))
            return false;
        if (p.word(1) == "on")
            s.pacing = true;
        else if (p.word(1) == "off")
            s.pacing = false;
        else
            return p.fail("pacing must be 'on' or 'off', got '" + std::string(p.word(1)) + "'");
        return true;
    }
    if (what == "noise") {
        return p.expectCount(2, 2) && p.integer(1, 0, 15, "noise level", s.noiseLevel);
    }
    if (what == "channel") {
        int bank = 0;
        int channel = 0;
        long long tenHz = 0;
        if (!p.expectCount(5, 6) || !p.integer(1, 1, 4, "bank", bank)
            || !p.integer(2, 0, 99, "channel", channel) || !p.megahertz(3, tenHz))
            return false;
        const std::string_view mode = p.word(4);
        if (mode.size() != 1 || (!isModeLetter(mode[0]) && mode[0] != '-'))
            return p.fail("mode must be one of N W A L U C or - (none), got '" + std::string(mode)
                          + "'");
        if (p.size() == 6 && !p.keyword(5, "att"))
            return false;
        MemoryChannel m;
        m.frequency = std::string(p.word(3));
        m.mode = mode[0] == '-' ? '\0' : mode[0];
        m.att = p.size() == 6;
        s.memory[memoryKey(bank, channel)] = m;
        return true;
    }
    if (what == "signal") {
        Signal sig;
        long long tenHz = 0;
        if (!p.expectCount(3, 7) || !p.megahertz(1, tenHz)
            || !p.integer(2, 0, 15, "signal level", sig.level))
            return false;
        if (p.size() != 3) {
            if (p.size() != 7)
                return p.fail("timing must be 'on <seconds> off <seconds>'");
            if (!p.keyword(3, "on") || !p.seconds(4, false, sig.onSeconds) || !p.keyword(5, "off")
                || !p.seconds(6, true, sig.offSeconds))
                return false;
        }
        sig.frequencyMHz = static_cast<double>(tenHz) / 1e5;
        s.signals.push_back(sig);
        return true;
    }
    if (what == "fault") {
        if (p.size() < 2)
            return p.fail("'fault' needs a kind: none, noreply, late, garbage, chunked, flood or "
                          "doubled");
        const std::string_view kind = p.word(1);
        Fault f;
        if (kind == "none" || kind == "noreply" || kind == "flood" || kind == "doubled") {
            if (!p.expectCount(2, 2))
                return false;
            f.kind = kind == "none"     ? FaultKind::None
                    : kind == "noreply" ? FaultKind::NoReply
                    : kind == "doubled" ? FaultKind::Doubled
                                        : FaultKind::Flood;
        } else if (kind == "late") {
            f.kind = FaultKind::LateReply;
            if (!p.expectCount(3, 3) || !p.integer(2, 0, 60000, "delay in ms", f.param))
                return false;
        } else if (kind == "garbage") {
            f.kind = FaultKind::Garbage;
            if (!p.expectCount(3, 3) || !p.integer(2, 1, 65536, "garbage bytes", f.param))
                return false;
        } else if (kind == "chunked") {
            f.kind = FaultKind::Chunked;
            if (!p.expectCount(4, 4) || !p.integer(2, 1, 4096, "chunk bytes", f.param)
                || !p.integer(3, 0, 60000, "gap in ms", f.gapMs))
                return false;
        } else {
            return p.fail("unknown fault '" + std::string(kind)
                          + "' (none, noreply, late, garbage, chunked, flood, doubled)");
        }
        s.fault = f;
        return true;
    }
    return p.fail("unknown statement '" + std::string(what) + "'");
}

} // namespace

bool parseScenario(const std::string &text, Scenario &out, std::string *error)
{
    Scenario s;
    std::string_view rest(text);
    int lineNumber = 0;
    while (!rest.empty()) {
        ++lineNumber;
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        LineParser p(lineNumber, splitWords(line));
        if (p.size() == 0)
            continue;
        if (!parseStatement(p, s)) {
            if (error)
                *error = p.error();
            return false;
        }
    }
    out = std::move(s);
    return true;
}

bool loadScenarioFile(const std::string &path, Scenario &out, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > maxScenarioBytes) {
            if (error)
                *error = path + ": file too large for a scenario";
            return false;
        }
    }
    if (in.bad()) {
        if (error)
            *error = path + ": read error";
        return false;
    }
    std::string why;
    if (!parseScenario(text, out, &why)) {
        if (error)
            *error = path + ": " + why;
        return false;
    }
    return true;
}

int clampLevel(int level)
{
    return std::clamp(level, 0, 15);
}

namespace {

// The strongest signal that is on where the receiver is tuned, or none.
const Signal *signalHeard(const Scenario &scenario, std::string_view tuned, double elapsedSeconds)
{
    long long hz = 0;
    if (!parseDecimal(tuned, 6, hz))
        return nullptr;
    const Signal *best = nullptr;
    for (const Signal &s : scenario.signals) {
        if (!std::isfinite(s.frequencyMHz) || std::fabs(s.frequencyMHz) > 1e7)
            continue;
        if (std::llabs(std::llround(s.frequencyMHz * 1e6) - hz) > 500)
            continue;
        if (s.onSeconds > 0 && s.offSeconds > 0 && std::isfinite(s.onSeconds + s.offSeconds)
            && std::fmod(elapsedSeconds, s.onSeconds + s.offSeconds) >= s.onSeconds)
            continue;
        if (!best || clampLevel(s.level) > clampLevel(best->level))
            best = &s;
    }
    return best;
}

} // namespace

int levelHeard(const Scenario &scenario, std::string_view tuned, double elapsedSeconds)
{
    const Signal *s = signalHeard(scenario, tuned, elapsedSeconds);
    return clampLevel(s ? s->level : scenario.noiseLevel);
}

double toneHertz(double signalMHz)
{
    if (!std::isfinite(signalMHz) || std::fabs(signalMHz) > 1e7)
        return 0;
    const long long channel = std::llround(signalMHz * 1000 / 12.5);
    return 437.0 + 100.0 * static_cast<double>((channel % 24 + 24) % 24);
}

Tone toneHeard(const Scenario &scenario, std::string_view tuned, double elapsedSeconds)
{
    Tone tone;
    const Signal *s = signalHeard(scenario, tuned, elapsedSeconds);
    if (s && clampLevel(s->level) > clampLevel(scenario.noiseLevel)) {
        tone.hertz = toneHertz(s->frequencyMHz);
        tone.amplitude = clampLevel(s->level) / 30.0;
    }
    return tone;
}

void putSteadySignal(Scenario &scenario, double frequencyMHz, int level)
{
    auto &signals = scenario.signals;
    signals.erase(std::remove_if(signals.begin(), signals.end(),
                                 [&](const Signal &s) {
                                     return std::fabs(s.frequencyMHz - frequencyMHz) < 0.5e-6;
                                 }),
                  signals.end());
    Signal s;
    s.frequencyMHz = frequencyMHz;
    s.level = clampLevel(level);
    signals.push_back(s);
}

} // namespace zesim
