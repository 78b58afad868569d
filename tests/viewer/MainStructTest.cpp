// The viewer window on real movies: its rows against ffprobe, the calculated values,
// breaking the walk with Escape, and how it is opened.
#include <map>
#include <sstream>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemModel>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "common/Bytes.h"
#include "tests/testkit/Samples.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"

namespace zendra::test {
namespace {

// ffprobe's view of each stream: key=value lines per stream.
std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string& path)
{
    std::string text;
    RunCommand("ffprobe -v error -show_entries "
               "stream=codec_type,codec_tag_string,width,height,sample_rate,channels,r_frame_rate,nb_frames "
               "-of default=noprint_wrappers=0 " + ShellQuote(path),
               &text);
    std::vector<std::map<std::string, std::string>> streams;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]")
            streams.emplace_back();
        const auto eq = line.find('=');
        if (eq != std::string::npos && !streams.empty())
            streams.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return streams;
}

class MainStructTest : public ViewerTest {
protected:
    QTreeWidget* List(const char* name) { return FForm.findChild<QTreeWidget*>(QString::fromLatin1(name)); }
    std::string Value(const char* list, const char* row)
    {
        return RowValue(List(list), QString::fromLatin1(row), std::string(list) == "lvCalculated" ? 1 : 2)
            .toStdString();
    }
    QList<QLabel*> Panels() { return FForm.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>(); }

    TMainStructForm FForm{nullptr};
};

TEST_F(MainStructTest, HeaderRowsAgreeWithFfprobe)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    for (TSample sample : {TSample::Mpeg4Mp3, TSample::Mpeg4Pcm, TSample::MjpegPcm, TSample::VideoOnly}) {
        SCOPED_TRACE(SampleName(sample));
        const std::string path = SamplePath(sample);
        ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
        const auto streams = ProbeStreams(path);
        ASSERT_FALSE(streams.empty());
        const auto& video = streams[0];
        EXPECT_EQ(video.at("width"), Value("lvMainHeader", "dwWidth"));
        EXPECT_EQ(video.at("height"), Value("lvMainHeader", "dwHeight"));
        EXPECT_EQ(video.at("width"), Value("lvVidStruct", "biWidth"));
        EXPECT_EQ(video.at("codec_tag_string"), Value("lvVidHeader", "fccHandler"));
        EXPECT_EQ(video.at("nb_frames"), Value("lvVidHeader", "dwLength"));
        EXPECT_EQ("vids", Value("lvVidHeader", "fccType"));
        EXPECT_EQ(video.at("r_frame_rate") == "25/1" ? "25" : "?", Value("lvCalculated", "Frame per second (FPS)"));
        EXPECT_EQ(video.at("width") + " x " + video.at("height"), Value("lvCalculated", "Frame width x height"));
        EXPECT_EQ(Value("lvMainHeader", "dwTotalFrames"), Value("lvCalculated", "Number of frames"));
        EXPECT_EQ(std::stoul(Value("lvMainHeader", "dwTotalFrames")), FForm.FrameCount());
        EXPECT_NEAR(25.0, static_cast<double>(FForm.FPS()), 1e-9);
        EXPECT_TRUE(FForm.State().Records.RelativeIndex);
        if (streams.size() > 1) {
            const auto& audio = streams[1];
            EXPECT_TRUE(FForm.HasAudio());
            EXPECT_EQ(audio.at("sample_rate"), Value("lvAudStruct", "WF.nSamplesPerSec"));
            EXPECT_EQ(audio.at("channels"), Value("lvAudStruct", "WF.nChannels"));
            EXPECT_EQ("auds", Value("lvAudHeader", "fccType"));
            EXPECT_EQ(sample == TSample::Mpeg4Mp3 ? "MPEG Layer-3" : "PCM uncompressed",
                      Value("lvCalculated", "Audio codec"));
            EXPECT_EQ(sample != TSample::Mpeg4Mp3, FForm.IsPCM());
        } else {
            EXPECT_FALSE(FForm.HasAudio());
            EXPECT_EQ(0, List("lvAudHeader")->topLevelItemCount());
            EXPECT_EQ("Not in the database", Value("lvCalculated", "Audio codec"));
            EXPECT_EQ("0", Value("lvCalculated", "Kbps"));
        }
    }
    // 22050 Hz, 16 bits, mono PCM.
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(SamplePath(TSample::Mpeg4Pcm))));
    EXPECT_EQ("353", Value("lvCalculated", "Kbps"));
    EXPECT_EQ("22050, 16 bits Mono", Value("lvCalculated", "Audio quality"));
    EXPECT_EQ("0h:00m:08s:00ms", Value("lvCalculated", "Duration"));
}

TEST_F(MainStructTest, CalculatedValuesOfKnownRecords)
{
    TStructRecords r;
    PutU16(&r.AudioFormat[0], 1);
    PutU16(&r.AudioFormat[2], 2);
    PutU32(&r.AudioFormat[4], 44100);
    PutU16(&r.AudioFormat[14], 16);
    EXPECT_EQ("1412", KbpsText(r));
    // Compressed audio stores no bits per sample: the stream's byte rate counts instead.
    PutU16(&r.AudioFormat[14], 0);
    PutU32(&r.AudioHeader[20], 1);
    PutU32(&r.AudioHeader[24], 16000);
    EXPECT_EQ("128", KbpsText(r));
    // A variable-rate header counts frames (rate 1225 per 32): the format's byte rate tells.
    PutU32(&r.AudioHeader[20], 32);
    PutU32(&r.AudioHeader[24], 1225);
    PutU32(&r.AudioFormat[8], 16000);
    EXPECT_EQ("128", KbpsText(r));

    EXPECT_EQ("25", FpsText(25));
    EXPECT_EQ("29.97", FpsText(29.97003L));
    r.CodecText = "divx";
    EXPECT_EQ("divx (DivX codec)", CalculatedValues(r)[0].second);
    r.CodecText = "";
    EXPECT_EQ("", CalculatedValues(r)[0].second);
    PutU32(&r.MainHeader[0], 33367);
    PutU32(&r.MainHeader[16], 1000);
    EXPECT_EQ("29.97", CalculatedValues(r)[3].second);
    EXPECT_EQ("0h:00m:33s:36ms", CalculatedValues(r)[6].second);
    EXPECT_EQ("12%", IndexPercentText(1, 8));  // 12.5 goes to the even neighbour
    EXPECT_EQ("38%", IndexPercentText(3, 8));
}

TEST_F(MainStructTest, NotAnAviShowsCalculatedValuesOfZeroedRecords)
{
    const std::string path = Write("text.avi", TBytes{'h', 'e', 'l', 'l', 'o'});
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    EXPECT_EQ(0, List("lvMainHeader")->topLevelItemCount());
    EXPECT_EQ(8, List("lvCalculated")->topLevelItemCount());
    EXPECT_EQ("Not in the database", Value("lvCalculated", "Audio codec"));
    EXPECT_EQ("0 x 0", Value("lvCalculated", "Frame width x height"));
    EXPECT_EQ("0h:00m:00s:00ms", Value("lvCalculated", "Duration"));
    EXPECT_EQ("0", Value("lvCalculated", "Frame per second (FPS)"));
    // A file that does not exist changes nothing.
    EXPECT_FALSE(FForm.LoadFile(QString::fromStdString(Path("missing.avi"))));
    EXPECT_EQ(QString::fromStdString(path), FForm.Filename());
    EXPECT_EQ(8, List("lvCalculated")->topLevelItemCount());
}

TEST_F(MainStructTest, EscapeBreaksTheIndexWalkAndKeepsWhatWasListed)
{
    TAviBuilder builder;
    builder.Video().Audio().Interleaved(200, 12, 20, 10);
    const std::string path = Write("long.avi", builder);
    const std::string other = Write("other.avi", builder);
    auto* openButton = FForm.findChild<QToolButton*>(QStringLiteral("sbOpen1"));
    long pumps = 0;
    bool secondLoadRefused = false, openDisabled = false;
    QString percent;
    FPlatform.OnProcessMessages([&] {
        if (++pumps != 120)
            return;
        percent = Panels()[1]->text();
        secondLoadRefused = !FForm.LoadFile(QString::fromStdString(other));
        openDisabled = !openButton->isEnabled();
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(FForm.findChild<TFrameListView*>(QStringLiteral("lbData")), &release);
    });
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    EXPECT_TRUE(secondLoadRefused);
    EXPECT_TRUE(openDisabled);
    EXPECT_TRUE(openButton->isEnabled());
    EXPECT_TRUE(percent.endsWith('%')) << percent.toStdString();
    const std::size_t listed = FForm.State().VideoEntries.Count() + FForm.State().AudioEntries.Count();
    EXPECT_GT(listed, 0u);
    EXPECT_LT(listed, 400u);
    EXPECT_EQ(static_cast<int>(listed), FForm.findChild<TFrameListView*>(QStringLiteral("lbData"))->model()->rowCount());
    EXPECT_EQ(QString(), Panels()[0]->text());
    EXPECT_EQ(QString(), Panels()[1]->text());
    EXPECT_TRUE(FForm.Loaded());

    // The break flag does not outlive the load.
    FPlatform.OnProcessMessages({});
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    EXPECT_EQ(400u, FForm.State().VideoEntries.Count() + FForm.State().AudioEntries.Count());
}

TEST_F(MainStructTest, ShowStructureLoadsOnceTheWindowIsUp)
{
    TAviBuilder builder;
    builder.Video().Audio().Interleaved(30, 12);
    const std::string path = Write("shown.avi", builder);
    int modeWhileShown = -1, lines = -1;
    bool visible = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!FForm.Loaded())
            return;
        visible = FForm.isVisible();
        modeWhileShown = FForm.findChild<QComboBox*>(QStringLiteral("cbFrameMode"))->currentIndex();
        lines = FForm.findChild<TFrameListView*>(QStringLiteral("lbData"))->model()->rowCount();
        FForm.close();
    });
    poll.start(20);
    FForm.ShowStructure(QString::fromStdString(path));
    EXPECT_TRUE(visible);
    EXPECT_EQ(3, modeWhileShown);
    EXPECT_EQ(3, lines);
    EXPECT_EQ(QString::fromStdString(path), FForm.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text());
}

TEST_F(MainStructTest, ShowStructureWithoutAFileWaitsForOpen)
{
    bool loaded = true;
    auto* toolTimer = FForm.findChild<QTimer*>(QStringLiteral("ToolTimer1"));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (toolTimer->isActive())
            return;
        loaded = FForm.Loaded();
        FForm.close();
    });
    poll.start(20);
    FForm.ShowStructure(QString());
    EXPECT_FALSE(loaded);
    EXPECT_EQ(0, List("lvMainHeader")->topLevelItemCount());
}

}  // namespace
}  // namespace zendra::test
