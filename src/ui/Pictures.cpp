#include "ui/Pictures.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tarvex {

namespace {

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A sheet of paper with a turned-down corner and lines of text.
void drawPage(QPainter& painter, const QRect& sheet, int lines) {
    const int fold = 3;
    const QPoint outline[] = {sheet.topLeft(),
                              {sheet.right() - fold, sheet.top()},
                              {sheet.right(), sheet.top() + fold},
                              sheet.bottomRight(),
                              sheet.bottomLeft()};
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(outline, 5);
    painter.drawLine(sheet.right() - fold, sheet.top(), sheet.right() - fold, sheet.top() + fold);
    painter.drawLine(sheet.right() - fold, sheet.top() + fold, sheet.right(), sheet.top() + fold);
    painter.setPen(QPen(QColor(0, 0, 128), 1));
    for (int i = 0; i < lines; ++i) {
        const int y = sheet.top() + 3 + 2 * i;
        if (y >= sheet.bottom() - 1)
            break;
        painter.drawLine(sheet.left() + 2, y, sheet.right() - (i == 0 ? fold + 1 : 2), y);
    }
}

QIcon withDisabledVariant(const QPixmap& picture) {
    QIcon icon(picture);
    icon.addPixmap(disabledPicture(picture), QIcon::Disabled);
    return icon;
}

// The logo's parts, in the logo's units (a canvas of 160 x 100).

// The dark blue field with rounded corners the logo is drawn on.
void drawLogoField(QPainter& painter, const QRectF& field, qreal radius) {
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0, QColor(16, 40, 96));
    sky.setColorAt(1, QColor(8, 20, 56));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(field, radius, radius);
}

// The battery, two thirds full, in 12..50 by 9..74.
void drawBattery(QPainter& painter) {
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(14, 16, 34, 56), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(24, 9, 14, 6));
    painter.setBrush(QColor(0, 200, 80));
    painter.drawRect(QRectF(20, 38, 22, 30));
}

// The discharge curve over its axes, in 56..152 by 14..76: a long plateau,
// then the knee and the fall. placement moves and stretches the lines; the
// pens keep their widths.
void drawDischargeCurve(QPainter& painter, const QTransform& placement = {}) {
    QPainterPath curve;
    curve.moveTo(58, 22);
    curve.cubicTo(80, 28, 112, 30, 126, 36);
    curve.cubicTo(138, 42, 142, 58, 148, 74);
    painter.setPen(QPen(QColor(255, 210, 0), 5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(placement.map(curve));
    painter.setPen(QPen(QColor(255, 255, 255, 160), 2));
    painter.drawLine(placement.map(QLineF(58, 74, 150, 74)));
    painter.drawLine(placement.map(QLineF(58, 74, 58, 16)));
}

} // namespace

QPixmap disabledPicture(const QPixmap& picture) {
    const QImage source = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    // A white highlight one pixel down and right, the grey shape on top: the
    // etched look of a disabled picture. Light parts of the picture drop out.
    const auto ink = [&](int x, int y) {
        const QRgb p = source.pixel(x, y);
        return qAlpha(p) > 128 && qGray(p) < 192;
    };
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (ink(x, y) && x + 1 < source.width() && y + 1 < source.height())
                result.setPixel(x + 1, y + 1, qRgb(255, 255, 255));
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (ink(x, y))
                result.setPixel(x, y, qRgb(128, 128, 128));
    return QPixmap::fromImage(result);
}

QIcon reportButtonPicture() {
    QPixmap pixmap = blank(26, 26);
    QPainter painter(&pixmap);
    drawPage(painter, QRect(2, 1, 14, 18), 7);
    drawPage(painter, QRect(9, 6, 14, 18), 7);
    painter.end();
    return QIcon(pixmap);
}

QIcon exportButtonPicture() {
    QPixmap pixmap = blank(16, 16);
    QPainter painter(&pixmap);
    drawPage(painter, QRect(0, 0, 8, 10), 4);

    // The diskette: body, label and shutter.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRect(7, 7, 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(9, 8, 5, 3);
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(10, 12, 3, 3);

    // The red arrow from the page into the diskette.
    painter.setPen(QPen(Qt::red, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(4, 11, 4, 13);
    painter.drawLine(4, 13, 6, 13);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    const QPoint head[] = {{6, 10}, {9, 13}, {6, 16}};
    painter.drawPolygon(head, 3);
    painter.end();
    return withDisabledVariant(pixmap);
}

QIcon clearButtonPicture() {
    QPixmap pixmap = blank(16, 16);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    // The arrow pointing left.
    painter.setBrush(Qt::blue);
    const QPoint head[] = {{1, 5}, {6, 0}, {6, 10}};
    painter.drawPolygon(head, 3);
    painter.drawRect(6, 3, 9, 4);
    // The red bar beneath.
    painter.setBrush(Qt::red);
    painter.drawRect(1, 12, 14, 3);
    painter.end();
    return withDisabledVariant(pixmap);
}

QIcon checkMarkPicture() {
    QPixmap pixmap = blank(16, 16);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tick[] = {{2.5, 8.5}, {6.0, 12.0}, {13.5, 3.5}};
    painter.drawPolyline(tick, 3);
    painter.end();
    return withDisabledVariant(pixmap);
}

QPixmap logoPicture(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 160 x 100 canvas, stretched to the size asked for.
    painter.scale(size.width() / 160.0, size.height() / 100.0);

    drawLogoField(painter, QRectF(2, 2, 156, 96), 10);
    drawBattery(painter);
    drawDischargeCurve(painter);

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setBold(true);
    name.setPixelSize(17);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    painter.setFont(name);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 76, 160, 22), Qt::AlignCenter, QStringLiteral("TARVEX"));
    painter.end();
    return pixmap;
}

void paintProgramIcon(QPainter& painter, int size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 100 x 100 canvas in the logo's units.
    painter.scale(size / 100.0, size / 100.0);
    drawLogoField(painter, QRectF(2, 2, 96, 96), 16);
    painter.save();
    painter.translate(-4, 8);
    drawBattery(painter);
    painter.restore();
    // The curve squeezed into the room right of the battery.
    drawDischargeCurve(painter, QTransform(0.45, 0, 0, 1, 50 - 56 * 0.45, 8));
    painter.restore();
}

QImage programIconPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintProgramIcon(painter, size);
    painter.end();
    return image;
}

} // namespace tarvex
