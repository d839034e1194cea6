// Writes a recording the way the capture thread does, a 10th of a second at a time, and says
// "written" after the first second, until it is killed.
#include "audio/SoundFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    ze::SoundFileWriter file;
    const auto format = ze::RecordingFormat(std::atoi(argv[2]));
    if (!file.open(QString::fromLocal8Bit(argv[1]), format, 16000, {QStringLiteral("145.5000 N")},
                   nullptr))
        return 1;
    std::vector<qint16> block(1600);
    for (long n = 0;; ++n) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i]
                    = qint16(12000 * std::sin(2 * M_PI * 440 * double(n * 1600 + long(i)) / 16000));
        if (!file.write(block.data(), qint64(block.size())))
            return 1;
        if (n == 10) {
            std::puts("written");
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
