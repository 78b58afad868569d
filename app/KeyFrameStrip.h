// A strip under the track bar with a mark below every key frame's position.
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

class QSlider;

namespace zendra {

class TKeyFrameStrip : public QWidget {
    Q_OBJECT
public:
    // slider: the track bar whose positions the marks line up with (position = frame - 1).
    explicit TKeyFrameStrip(QSlider* slider, QWidget* parent = nullptr);

    void SetKeyFrames(std::vector<std::int32_t> keyFrames);
    const std::vector<std::int32_t>& KeyFrames() const { return FKeyFrames; }
    // x in the strip of the mark of frame (from 1).
    int MarkX(std::int32_t frame) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the track bar's first position lies in the strip, and the span of its positions.
    struct TScale {
        int First = 0;
        int Span = 0;
    };
    TScale Scale() const;
    int MarkX(const TScale& scale, std::int32_t frame) const;

    QSlider* FSlider;
    std::vector<std::int32_t> FKeyFrames;
};

}  // namespace zendra
