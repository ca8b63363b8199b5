// tarvex-loadsim: plays the electronic load on a pseudo-terminal for the
// program, the demo and by-hand testing. Prints the terminal's path, then
// takes commands on standard input (see --help).
#include "loadsim/LoadSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace tarvex::loadsim;

namespace {

const char* kCommands = R"(Commands on standard input:
  state                 print the load's state
  split [AFTER [MS]]    pause MS ms (100) after byte AFTER (10) of the next answer
  join                  hold the next answer back and send it with the one after
  junk [N]              put N junk bytes (3) right behind the next answer
  silent MS             ignore read-status requests for MS milliseconds
  ignore-off [N|all]    ignore the next N load-off requests (1), or all of them
                        (0: none again)
  current A             set the current drawn while the input is on
  speed N               run the model N times faster
  hangup                close the line (the program sees the device go away)
  replug [MS]           pull the adapter out and plug it back in MS ms (2000)
                        later, on a new terminal (the --link follows it)
  quit                  end the simulator
)";

double numberOption(QCommandLineParser& p, const QString& name, double fallback) {
    if (!p.isSet(name))
        return fallback;
    bool ok = false;
    const double value = p.value(name).toDouble(&ok);
    if (!ok) {
        std::fprintf(stderr, "tarvex-loadsim: --%s needs a number, not \"%s\"\n", qPrintable(name),
                     qPrintable(p.value(name)));
        std::exit(2);
    }
    return value;
}

void printState(const LoadSimulator& sim) {
    const LoadState s = sim.state();
    std::printf("%s, input %s, drawn %.4f Ah, open circuit %.3f V, load %.3f V %.3f A %.3f W\n",
                s.computerControl ? "PC control" : "self control", s.inputOn ? "on" : "off",
                s.chargeAh, s.openCircuitVolts, s.volts, s.amps, s.watts);
    std::fflush(stdout);
}

// Runs one command line; false to end.
bool runCommand(LoadSimulator& sim, const std::string& line) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word))
        return true;
    if (word == "quit" || word == "exit")
        return false;
    if (word == "state") {
        printState(sim);
    } else if (word == "split") {
        int after = 10, ms = 100;
        in >> after >> ms;
        sim.splitNextAnswer(after, ms);
    } else if (word == "join") {
        sim.joinNextAnswers();
    } else if (word == "junk") {
        int n = 3;
        in >> n;
        sim.addJunkToNextAnswer(n);
    } else if (word == "silent") {
        int ms = 0;
        if (in >> ms)
            sim.staySilentFor(ms);
        else
            std::puts("silent needs milliseconds");
    } else if (word == "ignore-off") {
        std::string count = "1";
        in >> count;
        if (count == "all")
            sim.ignoreLoadOffs(-1);
        else
            try {
                sim.ignoreLoadOffs(std::max(std::stoi(count), 0));
            } catch (const std::exception&) {
                std::puts("ignore-off needs a count or \"all\"");
            }
    } else if (word == "current") {
        double amps = 0;
        if (in >> amps)
            sim.setCurrent(amps);
    } else if (word == "speed") {
        double speed = 1;
        if (in >> speed)
            sim.setSpeed(speed);
    } else if (word == "hangup") {
        sim.hangUp();
    } else if (word == "replug") {
        int ms = 2000;
        in >> ms;
        sim.replug(ms);
    } else {
        std::fputs(kCommands, stdout);
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvex-loadsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));

    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Plays a programmable DC electronic load on a pseudo-terminal.\n\n") +
        QString::fromLatin1(kCommands));
    p.addHelpOption();
    const SimulatorOptions defaults;
    const LoadModel& m = defaults.model;
    p.addOptions({
        {"link", "Create a symbolic link PATH to the terminal (removed at exit).", "PATH"},
        {"speed", "Run the discharge model N times faster (default 1).", "N"},
        {"voltage",
         QString("Open-circuit voltage at full charge (default %1 V).").arg(m.openCircuitVolts),
         "V"},
        {"end-voltage",
         QString("Open-circuit voltage once the capacity is drawn (default %1 V).").arg(m.endVolts),
         "V"},
        {"capacity", QString("Capacity in Ah (default %1).").arg(m.capacityAh), "AH"},
        {"resistance", QString("Internal resistance in ohms (default %1).").arg(m.internalOhms),
         "OHMS"},
        {"current",
         QString("Current set-point while the input is on (default %1 A).").arg(m.currentAmps),
         "A"},
        {"baud", "Pace the answers at this line speed, 10 bits a byte (default 9600; 0: at once).",
         "BAUD"},
        {"split-every", "Split every N-th answer with a pause.", "N"},
        {"split-after", "Bytes before the pause of a split answer (default 10).", "BYTES"},
        {"split-pause", "Length of that pause (default 100 ms).", "MS"},
        {"join-every", "Hold every N-th answer back and send it with the next one.", "N"},
        {"junk-every", "Put junk bytes behind every N-th answer.", "N"},
        {"junk-bytes", "How many junk bytes (default 3).", "N"},
        {"silent-after", "Stop answering S seconds after the start...", "S"},
        {"silent-for", "...for S seconds (default 30).", "S"},
        {"hangup-after", "Close the line S seconds after the start.", "S"},
        {"ignore-load-off",
         "Ignore the first N load-off requests (computer control, input off), as a load on a "
         "noisy line would miss them; \"all\" ignores every one.",
         "N"},
        {"log", "Append every frame received and every answer to FILE with a time stamp.", "FILE"},
        {{"v", "verbose"}, "Print every frame received."},
        // -v is taken by --verbose, so the version has only its long name.
        {"version", "Displays version information."},
    });
    p.process(app);
    if (p.isSet("version"))
        p.showVersion();

    SimulatorOptions options;
    options.model.speed = numberOption(p, "speed", m.speed);
    options.model.openCircuitVolts = numberOption(p, "voltage", m.openCircuitVolts);
    options.model.endVolts = numberOption(p, "end-voltage", m.endVolts);
    options.model.capacityAh = numberOption(p, "capacity", m.capacityAh);
    options.model.internalOhms = numberOption(p, "resistance", m.internalOhms);
    options.model.currentAmps = numberOption(p, "current", m.currentAmps);
    options.baudRate = static_cast<unsigned>(numberOption(p, "baud", defaults.baudRate));
    options.misbehaviour.splitEvery = static_cast<int>(numberOption(p, "split-every", 0));
    options.misbehaviour.splitAfter = static_cast<int>(numberOption(p, "split-after", 10));
    options.misbehaviour.splitPauseMs = static_cast<int>(numberOption(p, "split-pause", 100));
    options.misbehaviour.joinEvery = static_cast<int>(numberOption(p, "join-every", 0));
    options.misbehaviour.junkEvery = static_cast<int>(numberOption(p, "junk-every", 0));
    options.misbehaviour.junkBytes = static_cast<int>(numberOption(p, "junk-bytes", 3));
    if (p.isSet("ignore-load-off")) {
        if (p.value("ignore-load-off") == QLatin1String("all"))
            options.ignoredLoadOffs = -1;
        else
            options.ignoredLoadOffs =
                static_cast<int>(std::max(numberOption(p, "ignore-load-off", 0), 0.0));
    }
    options.logFile = p.value("log").toStdString();
    options.linkPath = p.value("link").toStdString();
    const double silentAfter = numberOption(p, "silent-after", -1);
    const double silentFor = numberOption(p, "silent-for", 30);
    const double hangupAfter = numberOption(p, "hangup-after", -1);
    const bool verbose = p.isSet("verbose");

    // Signals end the simulator through the loop below, so that the link is
    // removed.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    const int signalFd = signalfd(-1, &endSignals, SFD_CLOEXEC);

    std::unique_ptr<LoadSimulator> sim;
    try {
        sim = std::make_unique<LoadSimulator>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvex-loadsim: %s\n", e.what());
        return 1;
    }
    std::printf("%s\n", sim->terminalPath().c_str());
    std::fflush(stdout);
    std::size_t replugsShown = 0;

    const auto start = Clock::now();
    bool silenced = false, hungUp = false;
    std::size_t shown = 0;
    std::string pending;
    bool stdinOpen = true;
    for (bool running = true; running;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        ::poll(fds, 2, 100);
        if (fds[0].revents & POLLIN)
            break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false; // run on until a signal
            } else {
                pending.append(buffer, static_cast<std::size_t>(n));
                for (std::size_t eol; running && (eol = pending.find('\n')) != std::string::npos;) {
                    running = runCommand(*sim, pending.substr(0, eol));
                    pending.erase(0, eol + 1);
                }
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (!silenced && silentAfter >= 0 && elapsed >= silentAfter) {
            sim->staySilentFor(static_cast<int>(silentFor * 1000));
            silenced = true;
        }
        if (!hungUp && hangupAfter >= 0 && elapsed >= hangupAfter) {
            sim->hangUp();
            hungUp = true;
        }
        // A replug ends on a new terminal: its path, as at the start.
        if (const std::size_t replugs = sim->replugCount(); replugs != replugsShown) {
            replugsShown = replugs;
            std::printf("%s\n", sim->terminalPath().c_str());
            std::fflush(stdout);
        }
        if (verbose) {
            const auto frames = sim->receivedFrames();
            for (; shown < frames.size(); ++shown) {
                for (auto b : frames[shown].bytes)
                    std::printf("%02X ", b);
                std::printf("%s\n", frames[shown].checksumOk ? "" : "(bad checksum)");
            }
            std::fflush(stdout);
        }
    }
    return 0; // the simulator removes its link
}
