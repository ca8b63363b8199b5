// The pictures of the program's windows, drawn at run time: the query window's
// three button pictures and the program's logo on the About window; and the
// program's icon, drawn from the logo.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

class QPainter;

namespace tarvex {

// "Report": two overlapping report pages, 26 by 26 pixels.
QIcon reportButtonPicture();
// "Excel": a page with a red arrow into a diskette, 16 by 16 pixels, with a
// disabled variant.
QIcon exportButtonPicture();
// "Clear": a blue arrow pointing left over a red bar, 16 by 16 pixels, with a
// disabled variant.
QIcon clearButtonPicture();

// "OK": a green check mark, 16 by 16 pixels, with a disabled variant.
QIcon checkMarkPicture();

// The program's logo: a battery whose charge runs down a discharge curve,
// with the name beneath, drawn at the given size.
QPixmap logoPicture(QSize size);

// The program's icon: the logo's battery and discharge curve on its field,
// square and without the name, size by size pixels on a transparent ground;
// paintProgramIcon() paints the same with painter (for a vector copy).
QImage programIconPicture(int size);
void paintProgramIcon(QPainter& painter, int size);

// The greyed, embossed look of a picture on a disabled button.
QPixmap disabledPicture(const QPixmap& picture);

} // namespace tarvex
