// Writes hits into the store of the folder it is given, one after the other, and prints the id of
// each once it is committed, until it is killed.
#include "storage/HitStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    ze::HitStore store(QString::fromLocal8Bit(argv[1]));
    if (!store.persistent())
        return 1;
    for (int i = 0;; ++i) {
        ze::Hit hit;
        hit.start = QDateTime::currentDateTimeUtc();
        hit.frequency = QStringLiteral("145.%1").arg(i % 10000, 4, 10, QLatin1Char('0'));
        hit.hz = 145000000 + i % 10000 * 100;
        hit.mode = QStringLiteral("N");
        hit.description = QStringLiteral("written %1").arg(i);
        hit.peak = i % 16;
        const qint64 id = store.begin(hit);
        store.end(id, hit.start.addMSecs(500), hit.peak);
        store.flush();
        std::printf("%lld\n", static_cast<long long>(id));
        std::fflush(stdout);
    }
}
