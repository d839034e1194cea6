// What this machine and the simulated receiver allow at all: a bare client without Qt, the
// station or a window, that writes each command of a scan step (tune, "Y", "Y", "E") and waits
// on the line for every byte of the reply, against the simulator as a process of its own at
// 9600,n,8,2. Its line efficiency and CPU load are the floor the station's figures stand on.
//
//   bench_floor [seconds per run] [runs]
#include "BenchReport.h"
#include "WholeProgram.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace {

struct Run
{
    double efficiency = 0;
    double cpuPercent = 0;
};

Run bareScan(int fd, double seconds)
{
    const char *const step[] = {"145.0125NT\r", "Y\r", "Y\r", "E\r"};
    const double byteSeconds = 11.0 / 9600;
    qint64 bytes = 0;
    char buffer[256];
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = zebench::processCpuSeconds();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        for (const char *command : step) {
            const auto length = static_cast<ssize_t>(std::strlen(command));
            if (::write(fd, command, static_cast<size_t>(length)) != length)
                return {};
            bytes += length;
            bool prompt = false;
            while (!prompt) {
                pollfd p {fd, POLLIN, 0};
                if (::poll(&p, 1, 2000) <= 0)
                    return {};
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    return {};
                bytes += n;
                prompt = std::memchr(buffer, '>', static_cast<size_t>(n)) != nullptr;
            }
        }
    }
    const double wall = timer.nsecsElapsed() / 1e9;
    return {bytes * byteSeconds / wall, 100.0 * (zebench::processCpuSeconds() - cpuBefore) / wall};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const double seconds
            = argc > 1 && QByteArray(argv[1]).toDouble() > 0 ? QByteArray(argv[1]).toDouble() : 6.0;
    const int runs = argc > 2 && QByteArray(argv[2]).toInt() > 0 ? QByteArray(argv[2]).toInt() : 5;

    zebench::WholeProgram program;
    program.start();
    const int fd
            = ::open(QFile::encodeName(program.link()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line {};
    if (fd < 0 || tcgetattr(fd, &line) != 0)
        return 1;
    cfmakeraw(&line);
    cfsetispeed(&line, B9600);
    cfsetospeed(&line, B9600);
    line.c_cflag |= CSTOPB | CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &line) != 0)
        return 1;

    std::vector<double> efficiency;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const Run run = bareScan(fd, seconds);
        std::fprintf(stderr, "bare client run %d: efficiency %.4f, CPU %.2f %%\n", i + 1,
                     run.efficiency, run.cpuPercent);
        efficiency.push_back(run.efficiency);
        cpu.push_back(run.cpuPercent);
    }
    ::close(fd);
    const double worst = *std::min_element(efficiency.begin(), efficiency.end());
    zebench::report(QStringLiteral("floor: bare client without Qt, scan steps, 9600 baud: line "
                                   "efficiency, worst of %1 (median %2)")
                            .arg(runs)
                            .arg(zebench::median(efficiency), 0, 'f', 3),
                    QString::number(worst, 'f', 3), QStringLiteral(">= 0.97"), worst >= 0.97);
    const double medianCpu = zebench::median(cpu);
    zebench::report(QStringLiteral("floor: bare client: CPU, median of %1").arg(runs),
                    QStringLiteral("%1 %").arg(medianCpu, 0, 'f', 2), QStringLiteral("<= 1.5 %"),
                    medianCpu <= 1.5);
    return 0;
}
