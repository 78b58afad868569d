#include "platform/WMPlayer.h"

#include <QMetaObject>
#include <QPainter>

#include <mpv/client.h>
#include <mpv/render.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace zendra {

namespace {

// Property ids of the observed properties.
enum : std::uint64_t { kTimePos = 1, kDuration, kWidth, kHeight, kPause };

constexpr std::size_t kAlign = 64;

void FreeAligned(void* data)
{
    std::free(data);
}

// A black picture on a 64-byte aligned buffer, as mpv's software renderer likes it.
QImage AlignedImage(int width, int height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 4 + kAlign - 1) / kAlign * kAlign;
    void* data = std::aligned_alloc(kAlign, stride * static_cast<std::size_t>(height));
    if (!data)
        return {};
    QImage image(static_cast<uchar*>(data), width, height, static_cast<qsizetype>(stride), QImage::Format_RGB32,
                 FreeAligned, data);
    image.fill(Qt::black);
    return image;
}

}  // namespace

TWMPlayer::TWMPlayer(QWidget* parent, bool withAudio) : QWidget(parent)
{
    setObjectName(QStringLiteral("WMP1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // mpv refuses to start under a locale whose decimal point is not '.'.
    std::setlocale(LC_NUMERIC, "C");
    FMpv = mpv_create();
    if (!FMpv)
        return;
    const std::pair<const char*, const char*> options[] = {
        {"vo", "libmpv"},         {"hwdec", "no"},         {"hr-seek", "yes"},
        {"keep-open", "yes"},     {"pause", "yes"},        {"osd-level", "0"},
        {"load-scripts", "no"},   {"ytdl", "no"},          {"terminal", "no"},
        {"input-default-bindings", "no"},
        // Without it MPEG-4 files with B-frames land one or two frames late before key frames.
        {"hr-seek-demuxer-offset", "0.5"},
    };
    for (const auto& [name, value] : options)
        mpv_set_option_string(FMpv, name, value);
    if (!withAudio)
        mpv_set_option_string(FMpv, "ao", "null");
    if (mpv_initialize(FMpv) < 0) {
        mpv_terminate_destroy(FMpv);
        FMpv = nullptr;
        return;
    }
    mpv_observe_property(FMpv, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(FMpv, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(FMpv, kWidth, "dwidth", MPV_FORMAT_INT64);
    mpv_observe_property(FMpv, kHeight, "dheight", MPV_FORMAT_INT64);
    mpv_observe_property(FMpv, kPause, "pause", MPV_FORMAT_FLAG);

    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&FRender, FMpv, params) < 0)
        FRender = nullptr;
    if (FRender)
        mpv_render_context_set_update_callback(FRender, &TWMPlayer::OnRenderUpdate, this);
    mpv_set_wakeup_callback(FMpv, &TWMPlayer::OnWakeup, this);
}

TWMPlayer::~TWMPlayer()
{
    if (!FMpv)
        return;
    // This order only: the reverse aborts the process.
    mpv_set_wakeup_callback(FMpv, nullptr, nullptr);
    if (FRender) {
        mpv_render_context_set_update_callback(FRender, nullptr, nullptr);
        mpv_render_context_free(FRender);
    }
    mpv_terminate_destroy(FMpv);
}

// Both callbacks run on mpv's threads: hand them to the GUI thread, never call mpv here.
void TWMPlayer::OnWakeup(void* self)
{
    QMetaObject::invokeMethod(static_cast<TWMPlayer*>(self), "DrainEvents", Qt::QueuedConnection);
}

void TWMPlayer::OnRenderUpdate(void* self)
{
    QMetaObject::invokeMethod(static_cast<TWMPlayer*>(self), "RenderFrame", Qt::QueuedConnection);
}

void TWMPlayer::Command(const char* const* args)
{
    if (FMpv)
        mpv_command_async(FMpv, 0, const_cast<const char**>(args));
}

void TWMPlayer::SetFileName(const QString& fileName, const TMovieLength& length)
{
    FFileName = fileName;
    FReadyState = TReadyState::Empty;
    FLoadFailed = false;
    FFirstFrameShown = false;
    FSeekInFlight = false;
    FWantedSeek.reset();
    FTimePos = 0;
    FMpvDuration = 0;
    FIndexLength = {};
    if (fileName.isEmpty()) {
        const char* args[] = {"stop", nullptr};
        Command(args);
        FFrame = QImage();
        update();
        return;
    }
    if (!FMpv || !FRender) {
        FLoadFailed = true;
        return;
    }
    FIndexLength = length;
    FReadyState = TReadyState::Loading;
    FPaused = true;
    const std::string path = fileName.toStdString();
    int pause = 1;
    mpv_set_property_async(FMpv, 0, "pause", MPV_FORMAT_FLAG, &pause);
    const char* args[] = {"loadfile", path.c_str(), "replace", nullptr};
    Command(args);
}

double TWMPlayer::Duration() const
{
    if (FReadyState != TReadyState::Ready)
        return 0;
    if (FDisplayMode == 1)
        return FIndexLength.Frames;
    // Seconds from the index and the header's rate: mpv's length may follow a longer audio track.
    return FIndexLength.Seconds > 0 ? FIndexLength.Seconds : FMpvDuration;
}

double TWMPlayer::CurrentPosition() const
{
    if (FWantedSeek)
        return *FWantedSeek;
    if (FSeekInFlight)
        return FSeekTarget;
    return FTimePos;
}

void TWMPlayer::SetCurrentPosition(double seconds)
{
    if (!FMpv || FReadyState == TReadyState::Empty)
        return;
    // One seek at a time; while it runs only the newest wish is kept.
    if (FSeekInFlight || FReadyState != TReadyState::Ready) {
        FWantedSeek = seconds;
        return;
    }
    StartSeek(seconds);
}

void TWMPlayer::StartSeek(double seconds)
{
    FSeekInFlight = true;
    FSeekTarget = seconds;
    const std::string target = std::to_string(seconds);
    const char* args[] = {"seek", target.c_str(), "absolute+exact", nullptr};
    Command(args);
}

void TWMPlayer::SetPause(bool pause)
{
    if (!FMpv || FPaused == pause)
        return;
    FPaused = pause;
    int flag = pause ? 1 : 0;
    mpv_set_property_async(FMpv, 0, "pause", MPV_FORMAT_FLAG, &flag);
}

void TWMPlayer::Play()
{
    if (FReadyState == TReadyState::Ready)
        SetPause(false);
}

void TWMPlayer::Stop()
{
    SetPause(true);
}

void TWMPlayer::HandlePropertyChange(const mpv_event_property& property)
{
    if (!property.data)
        return;
    switch (property.format) {
    case MPV_FORMAT_DOUBLE: {
        const double value = *static_cast<double*>(property.data);
        if (std::string(property.name) == "time-pos")
            FTimePos = value;
        else
            FMpvDuration = value;
        break;
    }
    case MPV_FORMAT_INT64: {
        const int value = static_cast<int>(*static_cast<std::int64_t*>(property.data));
        if (std::string(property.name) == "dwidth")
            FVideoWidth = value;
        else
            FVideoHeight = value;
        break;
    }
    case MPV_FORMAT_FLAG:
        FPaused = *static_cast<int*>(property.data) != 0;
        break;
    default:
        break;
    }
}

void TWMPlayer::DrainEvents()
{
    while (FMpv) {
        mpv_event* event = mpv_wait_event(FMpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        switch (event->event_id) {
        case MPV_EVENT_PROPERTY_CHANGE:
            HandlePropertyChange(*static_cast<mpv_event_property*>(event->data));
            break;
        case MPV_EVENT_FILE_LOADED:
            FReadyState = TReadyState::Opened;
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<mpv_event_end_file*>(event->data);
            if (end->reason == MPV_END_FILE_REASON_ERROR && FReadyState != TReadyState::Ready) {
                FLoadFailed = true;
                FReadyState = TReadyState::Empty;
            }
            break;
        }
        case MPV_EVENT_PLAYBACK_RESTART:
            if (FReadyState == TReadyState::Opened) {
                FReadyState = TReadyState::Ready;  // the first picture is up
            } else if (FSeekInFlight) {
                FSeekInFlight = false;
                FTimePos = FSeekTarget;
                emit SeekFinished(FSeekTarget);
            }
            if (FWantedSeek && FReadyState == TReadyState::Ready) {
                const double next = *FWantedSeek;
                FWantedSeek.reset();
                StartSeek(next);
            }
            break;
        default:
            break;
        }
    }
}

void TWMPlayer::RenderFrame()
{
    if (!FRender)
        return;
    if (!(mpv_render_context_update(FRender) & MPV_RENDER_UPDATE_FRAME))
        return;
    // Render every frame mpv asks for, even before the size is known: a skipped
    // render stalls mpv for 0.2 s.
    const int width = FVideoWidth > 0 ? FVideoWidth : 16;
    const int height = FVideoHeight > 0 ? FVideoHeight : 16;
    if (FFrame.width() != width || FFrame.height() != height)
        FFrame = AlignedImage(width, height);
    if (FFrame.isNull())
        return;
    int size[2] = {width, height};
    std::size_t stride = static_cast<std::size_t>(FFrame.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, FFrame.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(FRender, params);
    update();
}

void TWMPlayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (FFrame.isNull() || FFileName.isEmpty())
        return;
    QSize target = FFrame.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect area(QPoint((width() - target.width()) / 2, (height() - target.height()) / 2), target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, FFrame);
}

}  // namespace zendra
