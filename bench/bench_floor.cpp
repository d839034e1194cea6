// What this machine and the simulated receiver allow at all: a bare client without Qt, the
// station or a window, that writes each command of a scan step (tune, "Y", "Y", "E") and waits
// on the line for every byte of the reply, against the simulator as a process of its own at
// 9600,n,8,2. Its line efficiency and CPU load are the floor the station's figures stand on.
//
//   bench_floor [seconds per run] [runs]
#include "WholeProgram.h"

#include "BareClient.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const double seconds
            = argc > 1 && QByteArray(argv[1]).toDouble() > 0 ? QByteArray(argv[1]).toDouble() : 6.0;
    const int runs = argc > 2 && QByteArray(argv[2]).toInt() > 0 ? QByteArray(argv[2]).toInt() : 5;

    zebench::WholeProgram program;
    program.start();
    const int fd = zebench::openBareLink(program.link());
    if (fd < 0)
        return 1;

    std::vector<double> efficiency;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const zebench::LineRun run = zebench::bareScan(fd, seconds);
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
