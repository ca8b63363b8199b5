// Counts the paintings of a widget, so that a benchmark can time an action
// up to the moment its result is on the screen.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace tarvex::bench {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints() const { return m_paints; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    int m_paints = 0;
};

// Processes events until the widget has painted once more than before.
inline void waitForPaint(const PaintCounter& counter, int before) {
    while (counter.paints() <= before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace tarvex::bench
