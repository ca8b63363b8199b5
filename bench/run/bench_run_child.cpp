// Helper for bench_run: a run (no windows, no table) that opens the port it
// is given, switches the load on and polls it, and prints "on" once the guard
// process is armed and the first reading came; then it runs until it is
// killed.
//
// Usage: bench_run_child PORT INTERVAL_MS
#include "run/CrossThread.h"
#include "run/LoadRun.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace tarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT INTERVAL_MS\n", argv[0]);
        return 2;
    }
    QThread thread;
    auto run = std::make_unique<LoadRun>();
    run->moveToThread(&thread);
    thread.start(QThread::TimeCriticalPriority);
    LinkSettings settings;
    settings.portName = QString::fromLocal8Bit(argv[1]);
    settings.pollIntervalMs = std::atoi(argv[2]);
    bool told = false;
    QObject::connect(run.get(), &LoadRun::readingTaken, &app, [&told, r = run.get()] {
        if (told || r->guardProcessId() <= 0)
            return;
        told = true;
        [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, "on\n", 3);
    });
    QObject::connect(run.get(), &LoadRun::portOpenFailed, &app, [] {
        std::fprintf(stderr, "the port cannot be opened\n");
        std::exit(3);
    });
    post(run.get(), [r = run.get(), settings] {
        r->applySettings(settings);
        r->handToComputer();
        r->switchLoadOn();
    });
    return app.exec();
}
