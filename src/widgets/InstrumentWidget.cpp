#include "widgets/InstrumentWidget.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace tarvex {

namespace {

// Announces an instrument widget with its own role and value.
class InstrumentAccessible : public QAccessibleWidget {
public:
    explicit InstrumentAccessible(InstrumentWidget* widget)
        : QAccessibleWidget(widget, widget->accessibleRole()) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return static_cast<const InstrumentWidget*>(widget())->accessibleValue();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
    if (auto* widget = qobject_cast<InstrumentWidget*>(object))
        return new InstrumentAccessible(widget);
    return nullptr;
}

} // namespace

InstrumentWidget::InstrumentWidget(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_backgroundColor = palette().color(QPalette::Button);
}

void InstrumentWidget::setBackgroundColor(const QColor& value) {
    changeProperty(m_backgroundColor, value);
}

void InstrumentWidget::setBorderStyle(BevelStyle value) {
    if (changeProperty(m_borderStyle, value))
        borderStyleChanged();
}

void InstrumentWidget::paintEvent(QPaintEvent*) {
    if (m_buffer.size() != size())
        m_buffer = QImage(size(), QImage::Format_RGB32);
    if (m_buffer.isNull())
        return;
    {
        QPainter canvas(&m_buffer);
        paintFace(canvas);
    }
    QPainter screen(this);
    screen.drawImage(0, 0, m_buffer);
}

void InstrumentWidget::drawBackground(QPainter& canvas, const QColor& color) const {
    canvas.fillRect(rect(), color);
}

void InstrumentWidget::drawBorder(QPainter& canvas) const {
    if (m_borderStyle == BevelStyle::None)
        return;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    qDrawWinPanel(&canvas, rect(), palette(), m_borderStyle == BevelStyle::Lowered);
    canvas.restore();
}

void InstrumentWidget::requestRepaint() {
    update();
}

void InstrumentWidget::notifyAccessibleValue() {
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(this, accessibleValue());
    QAccessible::updateAccessibility(&event);
}

} // namespace tarvex
