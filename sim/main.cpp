// ze3000r-sim: the simulated receiver on a pseudo-terminal, for trying the station without one.

#include "SimReceiver.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <pthread.h>

namespace {

void usage(std::FILE *to)
{
    std::fputs(
            "Usage: ze3000r-sim [--scenario FILE] [--link PATH] [--no-pacing] [--audio]\n"
            "\n"
            "Runs a simulated ZE3000R receiver on a pseudo-terminal until interrupted.\n"
            "Prints the device path on the first line of standard output and, with --link,\n"
            "the link path on the second.\n"
            "\n"
            "  --scenario FILE  memory channels, signals, noise, pacing and faults to start with\n"
            "  --link PATH      keep a symbolic link at PATH pointing at the device\n"
            "  --no-pacing      answer at once instead of at the speed set on the line\n"
            "  --audio          play the receiver's audio output on the sound server\n"
            "                   (PULSE_SERVER, else the user's): the tone of the signal tuned\n"
            "  --help           show this text\n",
            to);
}

} // namespace

int main(int argc, char **argv)
{
    std::string scenarioPath;
    std::string linkPath;
    bool noPacing = false;
    bool audio = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char *option, std::string &out) {
            const std::string prefix = std::string(option) + "=";
            if (arg.compare(0, prefix.size(), prefix) == 0) {
                out = arg.substr(prefix.size());
                return true;
            }
            if (arg != option)
                return false;
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ze3000r-sim: %s needs a value\n", option);
                std::exit(2);
            }
            out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--no-pacing") {
            noPacing = true;
        } else if (arg == "--audio") {
            audio = true;
        } else if (!value("--scenario", scenarioPath) && !value("--link", linkPath)) {
            std::fprintf(stderr, "ze3000r-sim: unknown option '%s'\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    zesim::Scenario scenario;
    if (!scenarioPath.empty()) {
        std::string error;
        if (!zesim::loadScenarioFile(scenarioPath, scenario, &error)) {
            std::fprintf(stderr, "ze3000r-sim: %s\n", error.c_str());
            return 1;
        }
    }
    if (noPacing)
        scenario.pacing = false;

    // Blocked before the worker starts so that only sigwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    zesim::SimReceiver sim;
    sim.setScenario(scenario);
    std::string error;
    if (!linkPath.empty() && !sim.setLinkPath(linkPath, &error)) {
        std::fprintf(stderr, "ze3000r-sim: %s\n", error.c_str());
        return 1;
    }
    if (!sim.start(&error)) {
        std::fprintf(stderr, "ze3000r-sim: %s\n", error.c_str());
        return 1;
    }
    if (audio && !sim.setAudio(true, &error))
        std::fprintf(stderr, "ze3000r-sim: %s; going on without audio\n", error.c_str());
    std::printf("%s\n", sim.devicePath().c_str());
    if (!linkPath.empty())
        std::printf("%s\n", linkPath.c_str());
    std::fflush(stdout);

    int received = 0;
    while (sigwait(&signals, &received) != 0) { }
    sim.stop(); // removes the link
    return 0;
}
