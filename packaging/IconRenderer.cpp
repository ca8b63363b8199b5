// Renders the program's icon into the layout of an icon theme under the
// directory given on the command line: <size>x<size>/apps/tarvex.png for each
// size the desktop's menus and panels ask for, and scalable/apps/tarvex.svg.
// Runs at build time, on the offscreen platform.
#include "ui/Pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kSvgSize = 256;

bool saveSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle(QStringLiteral("Tarvex"));
    svg.setDescription(QStringLiteral("A battery and its discharge curve"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    tarvex::paintProgramIcon(painter, kSvgSize);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon theme directory>\n", argv[0]);
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (const int size : kSizes) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = theme.filePath(dir + QStringLiteral("/tarvex.png"));
        if (!theme.mkpath(dir) || !tarvex::programIconPicture(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString svg = theme.filePath(QStringLiteral("scalable/apps/tarvex.svg"));
    if (!theme.mkpath(QStringLiteral("scalable/apps")) || !saveSvg(svg)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg));
        return 1;
    }
    return 0;
}
