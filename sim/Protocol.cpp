#include "Protocol.h"

#include <cstdio>

namespace zesim {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Frequency followed by mode and attenuator letters in either order, each at most once.
bool parseTuning(std::string_view s, Command &c)
{
    size_t k = 0;
    while (k < s.size() && (isDigit(s[k]) || s[k] == '.'))
        ++k;
    const std::string_view freq = s.substr(0, k);
    long long tenHz = 0;
    if (!frequencyToTenHz(freq, tenHz))
        return false;
    // 'R' and 'T' are never modes, so set membership decides what each letter is.
    for (char ch : s.substr(k)) {
        if (isModeLetter(ch)) {
            if (c.mode)
                return false;
            c.mode = ch;
        } else if (ch == 'R' || ch == 'T') {
            if (c.att)
                return false;
            c.att = ch;
        } else {
            return false;
        }
    }
    c.frequency.assign(freq.data(), freq.size());
    return true;
}

} // namespace

bool parseDecimal(std::string_view t, int decimals, long long &units)
{
    if (t.empty() || decimals < 0 || decimals > 9)
        return false;
    size_t i = 0;
    long long whole = 0;
    int wholeDigits = 0;
    while (i < t.size() && isDigit(t[i])) {
        if (++wholeDigits > 9)
            return false;
        whole = whole * 10 + (t[i] - '0');
        ++i;
    }
    long long frac = 0;
    int fracDigits = 0;
    int kept = 0;
    bool roundUp = false;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            if (fracDigits < decimals) {
                frac = frac * 10 + (t[i] - '0');
                ++kept;
            } else if (fracDigits == decimals) {
                roundUp = t[i] >= '5';
            }
            ++fracDigits;
            ++i;
        }
    }
    if (i != t.size() || (wholeDigits == 0 && fracDigits == 0))
        return false;
    long long scale = 1;
    for (int d = 0; d < decimals; ++d)
        scale *= 10;
    for (; kept < decimals; ++kept)
        frac *= 10;
    units = whole * scale + frac + (roundUp ? 1 : 0);
    return true;
}

bool frequencyToTenHz(std::string_view text, long long &tenHz)
{
    long long v = 0;
    if (!parseDecimal(text, 5, v) || v > maxFrequencyTenHz)
        return false;
    tenHz = v;
    return true;
}

bool isModeLetter(char c)
{
    return c == 'N' || c == 'W' || c == 'A' || c == 'L' || c == 'U' || c == 'C';
}

Command parseCommand(std::string_view s)
{
    Command c;
    if (s.size() == 1) {
        switch (s[0]) {
        case 'Y':
            c.kind = CommandKind::Level;
            return c;
        case 'F':
            c.kind = CommandKind::Found;
            return c;
        case 'E':
            c.kind = CommandKind::NotFound;
            return c;
        default:
            break;
        }
    }

    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    size_t j = i;
    int number = 0;
    while (j < s.size() && isDigit(s[j]) && j - i < 3) {
        number = number * 10 + (s[j] - '0');
        ++j;
    }
    const bool haveNumber = j > i && (j == s.size() || !isDigit(s[j]));
    if (haveNumber && j < s.size()) {
        const char op = s[j];
        const bool last = j + 1 == s.size();
        if (op == 'Z' && last) {
            if (number <= 99) {
                c.kind = CommandKind::ReadChannel;
                c.number = number;
            }
            return c;
        }
        if (op == 'X' && last && i == 0) {
            if (number >= 1 && number <= 4) {
                c.kind = CommandKind::SelectBank;
                c.number = number;
            }
            return c;
        }
        if (op == 'M' && i == 0) {
            if (number <= 99 && parseTuning(s.substr(j + 1), c)) {
                c.kind = CommandKind::StoreChannel;
                c.number = number;
            }
            return c;
        }
    }

    if (parseTuning(s, c))
        c.kind = CommandKind::Tune;
    else
        c = Command {};
    return c;
}

char modeCode(char mode)
{
    switch (mode) {
    case 'N':
        return 'Q';
    case 'W':
        return 'R';
    case 'A':
        return 'S';
    case 'L':
        return 'T';
    case 'U':
        return 'U';
    case 'C':
        return 'V';
    default:
        return 'W';
    }
}

std::string levelReply(int level)
{
    std::string reply(1, static_cast<char>('A' + level));
    reply += plainReply;
    return reply;
}

std::string channelReply(int channel, const MemoryChannel &memory)
{
    long long tenHz = 0;
    if (channel < 0 || channel > 99 || !frequencyToTenHz(trimBlanks(memory.frequency), tenHz))
        return std::string(plainReply);
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "C%02d 0%c Z%02d Y%011lld %c\r\n>", channel,
                                memory.att ? 'W' : 'N', channel, tenHz, modeCode(memory.mode));
    return std::string(buf, static_cast<size_t>(n));
}

} // namespace zesim
