// Helper for the crash-safety test and the soak benchmark: stores readings
// through the reading log as fast as it can and reports each committed row on
// standard output as "<ID> <VolVal>", until it is killed.
//
// Usage: tarvex_log_child <engine configuration file> <data directory> [rows]

#include "store/ReadingTable.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace tarvex;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <config file> <data directory> [rows]\n", argv[0]);
        return 2;
    }
    const long rows = argc > 3 ? std::atol(argv[3]) : -1;
    TableEngine::setConfigFile(QString::fromLocal8Bit(argv[1]));
    try {
        if (ReadingTable::setUp(QString::fromLocal8Bit(argv[2])) !=
            ReadingTable::SetupResult::Ready) {
            std::fprintf(stderr, "the alias %s cannot be set up\n", ReadingTable::kAlias);
            return 3;
        }
        Table table;
        ReadingTable::attach(table);
        for (long k = 0; rows < 0 || k < rows; ++k) {
            // A reading of 10000 + k mV, 1500 mA and 185 tenths of a watt.
            DeviceFrame answer{};
            const auto mv = static_cast<std::uint32_t>(10000 + k % 1000000);
            answer[3] = 0xDC;
            answer[4] = 0x05;
            for (int i = 0; i < 4; ++i)
                answer[5 + i] = static_cast<std::uint8_t>(mv >> (8 * i));
            answer[9] = 0xB9;
            const LoadReading reading = decodeStatusAnswer(answer);
            ReadingTable::appendReading(table, reading);
            const QByteArray line =
                QByteArray::number(table.fieldByName(QStringLiteral("ID")).toInt()) + ' ' +
                reading.voltsText.toUtf8() + '\n';
            if (::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size())) !=
                line.size())
                return 4;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
