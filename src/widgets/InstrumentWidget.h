// The common base of the instrument widgets: a background colour, an
// optional 3-D border, and a repaint that draws the whole face into an
// off-screen image of the widget's size and copies it to the screen in one
// step. Setting a property to the value it already has requests no repaint.
#pragma once

#include "errors/Errors.h"
#include "widgets/iTypes.h"

#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QWidget>

#include <stdexcept>

namespace tarvex {

class TiComponent : public QWidget {
    Q_OBJECT

public:
    explicit TiComponent(QWidget* parent = nullptr);

    QColor BackGroundColor() const { return FBackGroundColor; }
    void SetBackGroundColor(const QColor& value);
    TiBevelStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TiBevelStyle value);

    // Width of the border in pixels: 2, or 0 for ibsNone.
    int BorderWidth() const { return FBorderStyle == ibsNone ? 0 : 2; }

    // What assistive technology reads as the widget's value (the shown
    // number or time), and the role it announces.
    virtual QString AccessibleValue() const { return {}; }
    virtual QAccessible::Role AccessibleRole() const { return QAccessible::StaticText; }

protected:
    // Draws the complete face, background included, onto a canvas of the
    // widget's size.
    virtual void PaintFace(QPainter& canvas) = 0;
    // Called after BorderStyle changed.
    virtual void BorderStyleChanged() {}

    void paintEvent(QPaintEvent* event) override;

    // Fills the whole client area.
    void DrawBackground(QPainter& canvas, const QColor& color) const;
    // The 2-pixel raised or sunken frame along the edges; nothing for ibsNone.
    void DrawBorder(QPainter& canvas) const;

    // Asks for a repaint of the whole widget.
    void InvalidateChange();
    // Tells assistive technology that AccessibleValue() changed.
    void NotifyAccessibleValue();

    // Stores value and requests a repaint when it differs from the present
    // one. Returns whether it changed.
    template <class T> bool ChangeProperty(T& field, const T& value) {
        if (field == value)
            return false;
        field = value;
        InvalidateChange();
        return true;
    }

private:
    QColor FBackGroundColor;
    TiBevelStyle FBorderStyle = ibsNone;
    QImage FBuffer;
};

} // namespace tarvex
