#include "app/KeyFrameStrip.h"

#include <QEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace zendra {

namespace {

const QColor kMarkColour(0, 0, 128);

QStyleOptionSlider SliderOption(const QSlider& slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    option.tickPosition = slider.tickPosition();
    option.upsideDown = slider.invertedAppearance();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return option;
}

}  // namespace

TKeyFrameStrip::TKeyFrameStrip(QSlider* slider, QWidget* parent) : QWidget(parent), FSlider(slider)
{
    setToolTip(QStringLiteral("Key frames: a clip starts at the key frame at or before its start"));
    // Follow the track bar's moves and resizes, so the marks stay under its positions.
    FSlider->installEventFilter(this);
}

void TKeyFrameStrip::SetKeyFrames(std::vector<std::int32_t> keyFrames)
{
    FKeyFrames = std::move(keyFrames);
    update();
}

TKeyFrameStrip::TScale TKeyFrameStrip::Scale() const
{
    const QStyleOptionSlider option = SliderOption(*FSlider);
    const QStyle* style = FSlider->style();
    const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, FSlider);
    const QRect handle = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, FSlider);
    const int firstInSlider = groove.x() + handle.width() / 2;
    const int first = mapFromGlobal(FSlider->mapToGlobal(QPoint(firstInSlider, 0))).x();
    return {first, groove.width() - handle.width()};
}

int TKeyFrameStrip::MarkX(const TScale& scale, std::int32_t frame) const
{
    return scale.First + QStyle::sliderPositionFromValue(FSlider->minimum(), FSlider->maximum(), frame - 1, scale.Span);
}

int TKeyFrameStrip::MarkX(std::int32_t frame) const
{
    return MarkX(Scale(), frame);
}

QSize TKeyFrameStrip::sizeHint() const
{
    return {100, 7};
}

void TKeyFrameStrip::paintEvent(QPaintEvent*)
{
    if (FKeyFrames.empty() || FSlider->maximum() <= FSlider->minimum())
        return;
    QPainter painter(this);
    painter.setPen(isEnabled() ? kMarkColour : palette().color(QPalette::Disabled, QPalette::WindowText));
    const TScale scale = Scale();
    int lastX = -1;
    for (const std::int32_t frame : FKeyFrames) {
        const int x = MarkX(scale, frame);
        if (x == lastX)
            continue;  // many key frames to a pixel: draw the pixel once
        painter.drawLine(x, 0, x, height() - 1);
        lastX = x;
    }
}

bool TKeyFrameStrip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FSlider && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                               event->type() == QEvent::EnabledChange))
        update();
    return QWidget::eventFilter(watched, event);
}

}  // namespace zendra
