#pragma once

// The far end of the line, byte by byte: when each command arrives, when each reply byte leaves,
// and what the faults do to the replies.
//
// Line timing: the worker reads the speed, parity, data and stop bits that the program set on the
// line and takes, for every byte it receives and sends, the time that byte needs on a real line
// (start, data, parity and stop bits). A command is answered when its carriage return would have
// arrived; reply byte k goes out at the reply's start + (k + 1) byte times. Pacing can be switched
// off: then a command is answered as soon as it is read, in one write.

#include "Scenario.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace zesim {

// What the receiver makes of one command, taken at one moment so that the reply, the fault and
// the pacing belong together.
struct Answer
{
    std::string reply;
    Fault fault;
    bool pacing = true;
};

// The receiver behind the line; called on the worker thread.
class LineHandler
{
public:
    virtual ~LineHandler() = default;
    // Every byte the program sent, as it is read.
    virtual void received(const char *data, size_t n) = 0;
    // Acts on one command (without its carriage return) and logs it.
    virtual Answer answer(const std::string &command) = 0;
    virtual Fault fault() const = 0;
};

// Shared between the worker and the threads that steer it.
struct LineControl
{
    std::atomic<bool> stopRequested {false};
    std::atomic<unsigned> configSerial {0}; // bumped when the handler's fault may have changed
    std::atomic<bool> pacing {true}; // whether arriving commands take their time on the line
    std::atomic<int> lineBaud {0}; // the speed last read from the line
};

// Answers on master until control.stopRequested is set; wake is an eventfd that cuts the wait
// short. slave is the program's side, only read for the line settings.
void runLine(LineHandler &handler, LineControl &control, int master, int slave, int wake);

// The speed set on a terminal in baud: 0 when none is set or it is not a standard one. False
// when fd has no settings to read.
bool readBaudRate(int fd, int &baud);

} // namespace zesim
