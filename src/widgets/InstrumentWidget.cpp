#include "widgets/iComponent.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace tarvex {

namespace {

class TiAccessible : public QAccessibleWidget {
public:
    explicit TiAccessible(TiComponent* component)
        : QAccessibleWidget(component, component->AccessibleRole()) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return static_cast<const TiComponent*>(widget())->AccessibleValue();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* AccessibleFactory(const QString&, QObject* object) {
    if (auto* component = qobject_cast<TiComponent*>(object))
        return new TiAccessible(component);
    return nullptr;
}

} // namespace

TiComponent::TiComponent(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(AccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FBackGroundColor = palette().color(QPalette::Button);
}

void TiComponent::SetBackGroundColor(const QColor& value) {
    ChangeProperty(FBackGroundColor, value);
}

void TiComponent::SetBorderStyle(TiBevelStyle value) {
    if (ChangeProperty(FBorderStyle, value))
        BorderStyleChanged();
}

void TiComponent::paintEvent(QPaintEvent*) {
    if (FBuffer.size() != size())
        FBuffer = QImage(size(), QImage::Format_RGB32);
    if (FBuffer.isNull())
        return;
    {
        QPainter canvas(&FBuffer);
        PaintFace(canvas);
    }
    QPainter screen(this);
    screen.drawImage(0, 0, FBuffer);
}

void TiComponent::DrawBackground(QPainter& canvas, const QColor& color) const {
    canvas.fillRect(rect(), color);
}

void TiComponent::DrawBorder(QPainter& canvas) const {
    if (FBorderStyle == ibsNone)
        return;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    qDrawWinPanel(&canvas, rect(), palette(), FBorderStyle == ibsLowered);
    canvas.restore();
}

void TiComponent::InvalidateChange() {
    update();
}

void TiComponent::NotifyAccessibleValue() {
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(this, AccessibleValue());
    QAccessible::updateAccessibility(&event);
}

} // namespace tarvex
