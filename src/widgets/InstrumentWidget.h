// The common base of the instrument widgets: a background colour, an
// optional 3-D border, and a repaint that draws the whole face into an
// off-screen image of the widget's size and copies it to the screen in one
// step. Setting a property to the value it already has requests no repaint.
#pragma once

#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QWidget>

namespace tarvex {

// The 3-D frame drawn along the edges of a widget.
enum class BevelStyle { None, Raised, Lowered };

class InstrumentWidget : public QWidget {
    Q_OBJECT

public:
    explicit InstrumentWidget(QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& value);
    BevelStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(BevelStyle value);

    // Width of the border in pixels: 2, or 0 for BevelStyle::None.
    int borderWidth() const { return m_borderStyle == BevelStyle::None ? 0 : 2; }

    // What assistive technology reads as the widget's value (the shown
    // number or time), and the role it announces.
    virtual QString accessibleValue() const { return {}; }
    virtual QAccessible::Role accessibleRole() const { return QAccessible::StaticText; }

protected:
    // Draws the complete face, background included, onto a canvas of the
    // widget's size.
    virtual void paintFace(QPainter& canvas) = 0;
    // Called after the border style changed.
    virtual void borderStyleChanged() {}

    void paintEvent(QPaintEvent* event) override;

    // Fills the whole client area.
    void drawBackground(QPainter& canvas, const QColor& color) const;
    // The 2-pixel raised or sunken frame along the edges; nothing for
    // BevelStyle::None.
    void drawBorder(QPainter& canvas) const;

    // Asks for a repaint of the whole widget.
    void requestRepaint();
    // Tells assistive technology that accessibleValue() changed.
    void notifyAccessibleValue();

    // Stores value and requests a repaint when it differs from the present
    // one. Returns whether it changed.
    template <class T> bool changeProperty(T& field, const T& value) {
        if (field == value)
            return false;
        field = value;
        requestRepaint();
        return true;
    }

private:
    QColor m_backgroundColor;
    BevelStyle m_borderStyle = BevelStyle::None;
    QImage m_buffer;
};

} // namespace tarvex
