// The main window with the real libmpv preview: stopping playback in any way, the keys,
// the marks against ffmpeg's decode, and the key-frame strip against the index.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest/QTest>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>

#include "app/KeyFrameStrip.h"
#include "app/MainWindow.h"
#include "common/TextHelpers.h"
#include "engine/Zendra.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "platform/WMPlayer.h"
#include "tests/app/GuiTestKit.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

// Key frame numbers (from 1) straight from the index.
std::vector<std::int32_t> KeyFramesOfIndex(const std::string& path)
{
    std::vector<std::int32_t> keys;
    std::int32_t frame = 0;
    for (const IndexEntry& entry : TZendra(path).Index) {
        if (!IsVideoEntry(entry))
            continue;
        ++frame;
        if ((entry.Flags & 0x10) != 0)
            keys.push_back(frame);
    }
    return keys;
}

class RealPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg missing";
        FFolder = MakeTempDir("zendra-keys");
        FPlatform = std::make_unique<TScriptedPlatform>(FFolder + "/trash");
        FPlatform->Install();
        SetDialogs(&FDialogs);
        FForm = std::make_unique<TForm1>([this](QWidget* parent) {
            FPlayer = new TWMPlayer(parent, false);
            return FPlayer;
        });
        FForm->ResultViewer = [](const QString&) { return true; };
        FForm->OutputBaseFolder = QString::fromStdString(FFolder + "/Output/");
        FForm->show();
        FForm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FForm.get()));
        ASSERT_TRUE(FPlayer->Valid());
    }

    void TearDown() override
    {
        FForm.reset();
        SetDialogs(nullptr);
        FPlatform.reset();
        if (!FFolder.empty())
            std::filesystem::remove_all(FFolder);
    }

    void Open(const std::string& path)
    {
        FForm->MovieFileName = QString::fromStdString(path);
        ASSERT_TRUE(FForm->OpenMovie());
        if (FReferencePath != path) {
            const TProbe probe = Probe(path);
            FReference = DecodeAllFrames(path, probe.Width, probe.Height);
            FPictures = PictureOfIndexFrame(path);
            FReferencePath = path;
        }
        Settle();
    }

    void Settle()
    {
        ASSERT_TRUE(WaitUntil([&] { return !FPlayer->Seeking(); }));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(FForm.get(), static_cast<Qt::Key>(key), modifiers);
        Settle();
    }

    // The picture is exactly the frame (from 1) that the track bar and the status bar name.
    void ExpectPictureOfFrame(std::int32_t frame)
    {
        ASSERT_GE(frame, 1);
        const int wanted = FPictures[static_cast<std::size_t>(frame - 1)];
        const auto [nearest, difference] = Nearest(FPlayer->Frame(), FReference, wanted);
        EXPECT_EQ(nearest, wanted) << "frame " << frame << ", mean difference " << difference;
        EXPECT_EQ(FForm->FrameShown(), frame);
        EXPECT_TRUE(FForm->StatusPanel(0).endsWith(QStringLiteral(" [%1]").arg(frame)))
            << FForm->StatusPanel(0).toStdString();
    }

    void PlayAWhile()
    {
        FForm->sbPlay1->click();
        ASSERT_TRUE(WaitUntil([&] { return FForm->TrackBar1->value() >= 5; }, 5000));
    }

    // Like dragging the handle: the bar moves while held down.
    void Drag(int position)
    {
        QSlider& bar = *FForm->TrackBar1;
        bar.setSliderDown(true);
        bar.setSliderPosition(position / 2);
        bar.setSliderPosition(position);
        bar.setSliderDown(false);
        Settle();
    }

    std::string FFolder;
    std::unique_ptr<TScriptedPlatform> FPlatform;
    TScriptedDialogs FDialogs;
    TWMPlayer* FPlayer = nullptr;
    std::unique_ptr<TForm1> FForm;
    std::string FReferencePath;
    std::vector<QImage> FReference;
    std::vector<int> FPictures;
};

TEST_F(RealPlayerTest, AfterPlayAnyWayOfStoppingLetsTheTrackBarSeek)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    const std::string other = SamplePath(TSample::Mpeg4Pcm);
    const std::vector<std::pair<const char*, std::function<void()>>> stops = {
        {"Stop", [&] { FForm->sbStop1->click(); }},
        {"First", [&] { FForm->sbFirst1->click(); }},
        {"Last", [&] { FForm->sbLast1->click(); }},
        {"step button",
         [&] {
             FForm->sbOneLeftMouseDown(FForm->sbOneLeft);
             FForm->TmStep1Timer();
             FForm->sbOneLeftMouseUp();
         }},
        {"Select, cancelled", [&] { FForm->sbSelect->click(); }},
        {"another movie",
         [&] {
             FForm->MovieFileName = QString::fromStdString(other);
             ASSERT_TRUE(FForm->OpenMovie());
             FForm->MovieFileName = QString::fromStdString(movie);
             ASSERT_TRUE(FForm->OpenMovie());
         }},
        {"Space", [&] { Key(Qt::Key_Space); }},
        {"Right", [&] { Key(Qt::Key_Right); }},
        {"Ctrl+Left", [&] { Key(Qt::Key_Left, Qt::ControlModifier); }},
        {"Home", [&] { Key(Qt::Key_Home); }},
    };
    int position = 40;
    for (const auto& [name, stop] : stops) {
        SCOPED_TRACE(name);
        Open(movie);
        PlayAWhile();
        stop();
        Settle();
        EXPECT_EQ(FForm->PlayingMark, 0);
        EXPECT_TRUE(FForm->sbStop1->isChecked());
        Drag(position);
        ExpectPictureOfFrame(position + 1);
        position += 13;
    }
}

TEST_F(RealPlayerTest, StopHoldsThePictureAndTheTrackBarOnOneFrame)
{
    Open(SamplePath(TSample::Mpeg4Mp3));
    for (const auto& stop : std::vector<std::function<void()>>{[&] { FForm->sbStop1->click(); },
                                                               [&] { Key(Qt::Key_Space); }}) {
        PlayAWhile();
        stop();
        Settle();
        ExpectPictureOfFrame(FForm->TrackBar1->value() + 1);
    }
}

TEST_F(RealPlayerTest, KeysStepByFramesAndKeyFrames)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    Open(movie);
    const std::vector<std::int32_t> keys = KeyFramesOfIndex(movie);
    ASSERT_GE(keys.size(), 4u);
    Key(Qt::Key_Home);
    ExpectPictureOfFrame(1);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    ExpectPictureOfFrame(4);
    Key(Qt::Key_Left);
    ExpectPictureOfFrame(3);
    Key(Qt::Key_Right, Qt::ControlModifier);
    ExpectPictureOfFrame(keys[1]);
    Key(Qt::Key_Right, Qt::ControlModifier);
    ExpectPictureOfFrame(keys[2]);
    Key(Qt::Key_Right);
    Key(Qt::Key_Left, Qt::ControlModifier);
    ExpectPictureOfFrame(keys[2]);
    Key(Qt::Key_Left, Qt::ControlModifier);
    ExpectPictureOfFrame(keys[1]);
    Key(Qt::Key_End);
    ExpectPictureOfFrame(FForm->TotalFrames);
    Key(Qt::Key_Right, Qt::ControlModifier);  // no key frame after the last one: stays
    ExpectPictureOfFrame(FForm->TotalFrames);

    Key(Qt::Key_Space);
    EXPECT_EQ(FForm->PlayingMark, 1);
    EXPECT_TRUE(FForm->sbPlay1->isChecked());
    Key(Qt::Key_Space);
    EXPECT_EQ(FForm->PlayingMark, 0);
    EXPECT_TRUE(FForm->sbStop1->isChecked());
}

// The clip of marks set with I and O starts with the key frame named on the Clip tab
// and ends with the frame shown at O.
TEST_F(RealPlayerTest, MarksSetWithIAndOClipFromTheSnappedKeyFrameToTheFrameShown)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    Open(movie);
    const std::vector<std::string> source = VideoFrameHashes(movie);
    const std::vector<std::int32_t> keys = KeyFramesOfIndex(movie);
    ASSERT_GE(keys.size(), 5u);
    struct TCase {
        std::int32_t start, end;
    };
    // A start between key frames, a start on a key frame, an end on the last frame.
    const TCase cases[] = {{keys[2] + 3, 101}, {keys[3], keys[4] + 2}, {keys[1] + 2, FForm->TotalFrames}};
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.start);
        FForm->PageControl1->setCurrentIndex(TForm1::SplitTab);
        Drag(c.start - 1);
        Key(Qt::Key_I);
        EXPECT_EQ(FForm->ActiveTab(), TForm1::ClipTab);
        EXPECT_EQ(FForm->ClipStartFrame, c.start);
        ExpectPictureOfFrame(c.start);
        Drag(c.end);
        Key(Qt::Key_Left);
        Key(Qt::Key_O);
        EXPECT_EQ(FForm->ClipEndFrame, c.end);
        ExpectPictureOfFrame(c.end);

        const std::int32_t key = *std::prev(std::upper_bound(keys.begin(), keys.end(), c.start));
        const std::int32_t before = c.start - key;
        const QString realStart = FForm->lbRealStart->text();
        EXPECT_TRUE(realStart.startsWith(
            QStringLiteral("Starts at key frame %1 (").arg(key) +
            QString::fromStdString(SecondsToTimeText((key - 1) / FForm->FrameRate)) + QStringLiteral("), ") +
            (before == 0 ? QStringLiteral("on the mark; ") : QStringLiteral("%1 frames before the mark; ").arg(before))))
            << realStart.toStdString();

        const std::string clip = FFolder + "/clip" + std::to_string(++n) + ".avi";
        FDialogs.FileAnswers.push_back(clip);
        FForm->bStart->click();
        ASSERT_TRUE(std::filesystem::exists(clip));
        const std::vector<std::string> clipped = VideoFrameHashes(clip);
        const auto first = source.begin() + FPictures[static_cast<std::size_t>(key - 1)];
        const auto last = source.begin() + FPictures[static_cast<std::size_t>(c.end - 1)];
        EXPECT_EQ(clipped, std::vector<std::string>(first, last + 1));
        // The Clip tab's count and size are those of the file written.
        const TZendra written(clip);
        EXPECT_TRUE(realStart.contains(QStringLiteral("; %1 frames, ").arg(written.VideoFrameCount())))
            << realStart.toStdString();
        const auto kb = (std::filesystem::file_size(clip) + 1023) / 1024;
        EXPECT_TRUE(realStart.endsWith(QStringLiteral(", %1 kB").arg(kb))) << realStart.toStdString();
        // The command line's frame numbers are the ones the marks show.
        const std::string byCli = FFolder + "/cli" + std::to_string(n) + ".avi";
        ASSERT_EQ(RunCommand(std::string(ZENDRA_CLI_PATH) + " clip " + ShellQuote(movie) + " --start " +
                             std::to_string(c.start) + " --end " + std::to_string(c.end) + " -o " + ShellQuote(byCli) +
                             " >/dev/null 2>&1"),
                  0);
        EXPECT_EQ(Md5OfFile(byCli), Md5OfFile(clip));
    }
}

TEST_F(RealPlayerTest, KeyFrameStripMarksTheIndexKeyFrames)
{
    for (const TSample sample : {TSample::Mpeg4Mp3, TSample::Gop250, TSample::MjpegPcm}) {
        SCOPED_TRACE(SampleName(sample));
        const std::string movie = SamplePath(sample);
        Open(movie);
        const std::vector<std::int32_t> keys = KeyFramesOfIndex(movie);
        const TKeyFrameStrip& strip = *FForm->pKeyFrames;
        EXPECT_EQ(strip.KeyFrames(), keys);

        const QImage picture = FForm->pKeyFrames->grab().toImage();
        const auto marked = [&](int x) {
            const QColor colour = picture.pixelColor(x, picture.height() / 2);
            return colour.blue() > 100 && colour.red() < 60 && colour.green() < 60;
        };
        for (const std::int32_t key : keys)
            ASSERT_TRUE(marked(strip.MarkX(key))) << "key frame " << key;
        // Each mark stands under the track bar's position of its frame.
        const int first = strip.MarkX(1);
        const int last = strip.MarkX(FForm->TotalFrames + 1);
        EXPECT_LT(first, last);
        EXPECT_GE(first, 0);
        EXPECT_LT(last, strip.width());
        for (std::size_t i = 1; i < keys.size(); ++i) {
            const int from = strip.MarkX(keys[i - 1]);
            const int to = strip.MarkX(keys[i]);
            if (to - from >= 4) {
                EXPECT_FALSE(marked((from + to) / 2)) << "between " << keys[i - 1] << " and " << keys[i];
            }
        }
    }
}

TEST_F(RealPlayerTest, PlayMenuNamesEveryKey)
{
    const std::vector<std::pair<QAction*, QString>> expected = {
        {FForm->PlayPause1, "Space"},          {FForm->PreviousFrame1, "Left"},
        {FForm->NextFrame1, "Right"},          {FForm->PreviousKeyFrame1, "Ctrl+Left"},
        {FForm->NextKeyFrame1, "Ctrl+Right"},  {FForm->FirstFrame1, "Home"},
        {FForm->LastFrame1, "End"},            {FForm->SetClipStart1, "I"},
        {FForm->SetClipEnd1, "O"},
    };
    for (const auto& [action, keys] : expected) {
        EXPECT_EQ(action->shortcut().toString(), keys) << action->text().toStdString();
        EXPECT_TRUE(FForm->Play1->actions().contains(action));
        EXPECT_FALSE(action->isEnabled()) << "no movie yet";
    }
    Open(SamplePath(TSample::Mpeg4Mp3));
    for (const auto& [action, keys] : expected)
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
    // The Rejoin tab has no preview: the keys do nothing there.
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    for (const auto& [action, keys] : expected)
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    const int before = FForm->TrackBar1->value();
    QTest::keyClick(FForm.get(), Qt::Key_Right);
    EXPECT_EQ(FForm->TrackBar1->value(), before);

    // The user guide lists every key of the menu, as <kbd>Ctrl</kbd>+<kbd>Left</kbd>.
    std::ifstream file(std::string(ZENDRA_SOURCE_DIR) + "/help/Default.htm");
    const std::string guide((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(guide.empty());
    for (const auto& [action, keys] : expected) {
        std::string written;
        for (const QString& key : keys.split('+'))
            written += (written.empty() ? "" : "+") + ("<kbd>" + key + "</kbd>").toStdString();
        EXPECT_NE(guide.find(written), std::string::npos) << written;
    }
}

}  // namespace
}  // namespace zendra::test
