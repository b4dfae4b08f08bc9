// The MUSIC page: reachable with MUSIC=1 (the shipped config.ini), its
// settings stored in the music layer, and out of reach with MUSIC=0.
#include "main_window_fixture.h"

#include <QElapsedTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "sim/keyboard_firmware.h"

#include "ui/pages/music_page.h"

namespace vantora::test {
namespace {

using MusicPageTest = MainWindowTest;

TEST_F(MusicPageTest, TheTabOpensThePageWhoseSettingsAreStoredInTheMusicLayer) {
    OpenConnected();
    // The first start left the music layer row, shown on the page.
    MusicLayer row;
    QTRY_VERIFY_WITH_TIMEOUT(window->Database().GetMusicLayer(1, row), 10000);
    EXPECT_EQ(row.foremode, 13);
    Click(VisibleTab(kTabMusic));
    EXPECT_EQ(window->CurrentPageId(), kTabMusic);
    EXPECT_TRUE(window->MusicActive());
    EXPECT_TRUE(Control(kPageMusic)->IsShownInTree());
    EXPECT_EQ(Control(kPageMusic)->GetRect(), Control(kPageMacro)->GetRect());

    Choose(kIdForegroundScheme, 17);
    Choose(kIdBackgroundScheme, 3);
    ASSERT_TRUE(window->Database().GetMusicLayer(1, row));
    EXPECT_EQ(row.foremode, 17);
    EXPECT_EQ(row.backmode, 3);

    // The picture of this page (id 65 as on the KEY page) selects no key
    // of the KEY editor.
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture, 1);
    ASSERT_TRUE(picture->IsShownInTree());
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->KeyRect(4).center());
    EXPECT_EQ(window->CurrentSelection().selectedKey.load(), 0);

    Click(VisibleTab(kTabMacro));
    EXPECT_FALSE(window->MusicActive());
}

// A tone played while the page is shown lights the keyboard's keys; leaving
// the page corks the capture and the keyboard returns to its light mode.
TEST_F(MusicPageTest, TheKeysFollowTheSoundWhileThePageIsShown) {
    OpenConnected();
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(audio->IsStarted());
    EXPECT_FALSE(audio->IsActive());  // corked until the page is shown
    audio->SetState(AudioCaptureState::kNoServer);
    QTRY_COMPARE(Control(kIdMusicStatus)->GetTitle(), GetUiString(690));
    audio->SetState(AudioCaptureState::kCapturing);
    QTRY_COMPARE(Control(kIdMusicStatus)->GetTitle(), std::string());

    Click(VisibleTab(kTabMusic));
    ASSERT_TRUE(audio->IsActive());
    std::vector<float> packet(960);
    const auto lit = [this] {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) {
            const auto& frame = f.MusicFrame();
            return std::any_of(frame.begin(), frame.end(), [](std::uint8_t b) { return b != 0; });
        });
    };
    QElapsedTimer timer;
    timer.start();
    int sample = 0;
    while (!lit() && timer.elapsed() < 10000) {
        for (std::size_t i = 0; i < packet.size(); i += 2, ++sample) {
            packet[i] = packet[i + 1] =
                0.8f * std::sin(2 * std::numbers::pi_v<float> * 1000 * sample / 48000);
        }
        audio->Feed(packet);
        QTest::qWait(10);
    }
    EXPECT_TRUE(lit());
    EXPECT_TRUE(window->Session().Status().musicStreaming);

    Click(VisibleTab(kTabHome));
    EXPECT_FALSE(audio->IsActive());
    EXPECT_FALSE(window->Session().Status().musicStreaming);
}

TEST_F(MusicPageTest, WithMusicOffTheTabCannotBeReached) {
    programFolder = dir.path() + "program/";
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directory_symlink(std::string(VANTORA_BIN_DIR) + "layouts",
                                              programFolder + "layouts");
    std::ifstream in(std::string(VANTORA_BIN_DIR) + "config.ini");
    std::stringstream text;
    text << in.rdbuf();
    std::string config = text.str();
    const std::size_t at = config.find("\nMUSIC=1");
    ASSERT_NE(at, std::string::npos);
    config.replace(at, 8, "\nMUSIC=0");
    std::ofstream(programFolder + "config.ini") << config;

    OpenConnected();
    EXPECT_EQ(audio, nullptr);  // no capture is ever opened
    for (MControl* tab : window->GetControls(kTabMusic)) {
        EXPECT_TRUE(tab->GetRect().IsEmpty());
        EXPECT_FALSE(tab->IsShownInTree());
        EXPECT_EQ(tab->focusPolicy(), Qt::NoFocus);
    }
    // The other tabs keep their four places.
    EXPECT_EQ(Control(kTabSetting)->GetRect().top, 120 + 3 * 65);
    EXPECT_EQ(VisibleTab(kTabMusic), nullptr);
}

}  // namespace
}  // namespace vantora::test
