// The LIGHT page with real clicks: modes, sliders, direction buttons, the
// colour wheel, the fields and presets, "Colorful", and the per-key colours
// of "Custom"; the stored rows and the simulated keyboard follow.
#include "main_window_fixture.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <map>

#include "device/key_index.h"
#include "lighting/light_parameters.h"
#include "session/keyboard_work.h"
#include "sim/keyboard_firmware.h"
#include "ui/pages/setting_page.h"
#include "ui/window_messages.h"

namespace vantora::test {
namespace {

constexpr int kSpectrum = 1;
constexpr int kFixed = 2;
constexpr int kRainbow = 6;
constexpr int kWave = 12;
constexpr int kCustom = 0;

// Another writer holding the window's database file while it lives.
class OtherWriter {
public:
    explicit OtherWriter(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~OtherWriter() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    bool Locked() const { return locked_; }

private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

class LightPageTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        OpenConnected();
        Click(VisibleTab(kTabDevice));
        Click(Control(kTabLight));
        picture = Control<KeyboardCtrl>(kIdLightPicture);
        modes = Control<MComboBox>(kIdLightMode);
        ASSERT_NE(picture, nullptr);
        ASSERT_NE(modes, nullptr);
    }

    LightMode Row(int mode) {
        LightMode row;
        EXPECT_TRUE(window->Database().GetLightMode(mode, row)) << mode;
        return row;
    }
    bool Shown(int id) { return Control(id)->IsShownInTree(); }
    std::uint8_t SettingsByte(int offset) {
        return keyboard->WithFirmware(
            [offset](sim::KeyboardFirmware& f) { return f.Settings()[static_cast<std::size_t>(offset)]; });
    }
    // The keyboard's colour of the key at `index` in its per-key table.
    std::uint32_t KeyboardKeyColour(int index) {
        return keyboard->WithFirmware([index](sim::KeyboardFirmware& f) {
            const auto& t = f.KeyColours();
            const auto at = static_cast<std::size_t>(3 * index);
            return PackColour(t[at], t[at + 1], t[at + 2]);
        });
    }
    // Clicks the slider where it shows `value`.
    void ClickSlider(int id, int value) {
        auto* slider = Control<MSlider>(id);
        ASSERT_NE(slider, nullptr);
        const double t =
            static_cast<double>(value - slider->GetMin()) / (slider->GetMax() - slider->GetMin());
        const int x = static_cast<int>(7 + t * (slider->width() - 14));
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
        ASSERT_EQ(slider->GetProgress(), value);
    }
    void Type(int fieldId, const QString& text) {
        auto* field = Control<MEdit>(fieldId);
        ASSERT_NE(field, nullptr);
        field->GetEditHwnd()->setFocus();
        field->GetEditHwnd()->selectAll();
        QTest::keyClicks(field->GetEditHwnd(), text);
    }
    // "Fixed" with one colour: the colour controls take input.
    void ChooseFixedSingleColour() {
        Choose(kIdLightMode, kFixed);
        Click(Control(kIdColourful));
        ASSERT_EQ(Row(kFixed).colorful, 0);
        ASSERT_TRUE(Control(kIdColourPalette)->IsEnabled());
    }
    std::vector<std::string> Fields() {
        return {Control(kIdRed)->GetTitle(), Control(kIdGreen)->GetTitle(), Control(kIdBlue)->GetTitle()};
    }

    // What vantoractl does through the running program after changing the
    // lighting rows: the LIGHT page reloads and `work` is downloaded.
    void ChangedElsewhere(KeyboardWork work) {
        bool done = false;
        window->HandleRequest(EncodeWorkRequest({.work = work, .reloadLighting = true}),
                              [&done](const std::string&) { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    }
    void StoreKeyColours(const std::map<int, std::uint32_t>& colours) {
        std::vector<KeyColour> rows;
        for (const auto& [code, colour] : colours) {
            KeyColour row;
            row.profile = 1;
            row.light_id = kCustom;
            row.key_code = code;
            row.key_rgb = static_cast<int>(colour);
            rows.push_back(row);
        }
        ASSERT_TRUE(window->Database().ReplaceKeyColours(kCustom, rows));
    }
    std::map<int, std::uint32_t> StoredKeyColours() {
        std::vector<KeyColour> rows;
        window->Database().ListKeyColours(kCustom, rows);
        std::map<int, std::uint32_t> stored;
        for (const KeyColour& row : rows) {
            stored[row.key_code] = static_cast<std::uint32_t>(row.key_rgb);
        }
        return stored;
    }
    // Every key of the picture in the colour the keyboard's table gives it,
    // waited for (the download runs on the worker).
    void ExpectPictureAsKeyboard() {
        const auto& codeToIndex = window->LayoutCodeToIndex();
        const auto differing = [&] {
            std::string keys;
            for (const KeyItemInfo& key : picture->GetKeyItems()) {
                const int index = LookupKeyIndex(codeToIndex, key.code);
                if (index >= 0 && picture->DisplayedColor(key.code) != KeyboardKeyColour(index)) {
                    keys += " " + key.name;
                }
            }
            return keys;
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return differing().empty(); }, 10000)) << differing();
    }
    void ClickKey(int code, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(picture, Qt::LeftButton, modifiers, picture->KeyRect(code).center());
    }

    KeyboardCtrl* picture = nullptr;
    MComboBox* modes = nullptr;
};

constexpr int kKeyA = 4;
constexpr int kKeyW = 0x1A;
constexpr int kEscape = 0x29;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kGreen = 0x00FF00;

TEST_F(LightPageTest, AFreshDatabaseListsTheCatalogueWithSpectrumShown) {
    ASSERT_EQ(modes->GetCount(), 23);
    EXPECT_EQ(modes->GetItemText(0), "Spectrum");
    EXPECT_EQ(modes->GetItemText(3), "Fixed 2");
    EXPECT_EQ(modes->GetItemText(22), "Custom");
    EXPECT_EQ(modes->GetCurData(), kSpectrum);
    auto* brightness = Control<MSlider>(kIdBrightness);
    EXPECT_TRUE(brightness->IsEnabled());
    EXPECT_EQ(brightness->GetProgress(), 100);
    EXPECT_TRUE(Shown(kIdSpeed));
    EXPECT_EQ(Control<MSlider>(kIdSpeed)->GetProgress(), 3);
    for (int id : std::initializer_list<int>{kIdDirectionLabel, kIdFirstDirection, kIdFirstDirection + 2,
                                             kIdColourful, kIdColourPalette, kIdRed, kIdFirstPresetColour}) {
        EXPECT_FALSE(Shown(id)) << id;
    }
    EXPECT_FALSE(picture->IsPerKeyDisplay());
}

// A switch on a fresh database downloads the stored Spectrum row: the
// keyboard stays lit.
TEST_F(LightPageTest, ASwitchOnAFreshDatabaseKeepsTheKeyboardLit) {
    Click(VisibleTab(kTabSetting));
    Click(Control(kIdDisableWin));
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(17), std::uint8_t{0x01}, 10000);
    EXPECT_EQ(SettingsByte(2), kSpectrum);
    EXPECT_EQ(SettingsByte(3), 100);
    EXPECT_EQ(SettingsByte(6), 1);
}

TEST_F(LightPageTest, FixedShowsItsColourControlsDisabledWhileColourful) {
    Choose(kIdLightMode, kFixed);
    EXPECT_FALSE(Shown(kIdSpeed));
    EXPECT_FALSE(Shown(kIdSpeedLabel));
    EXPECT_FALSE(Shown(kIdDirectionLabel));
    EXPECT_TRUE(Shown(kIdColourful));
    EXPECT_TRUE(Control<CCheckButton>(kIdColourful)->GetCheck());
    for (int id : std::initializer_list<int>{kIdColourPalette, kIdRed, kIdBlue, kIdFirstPresetColour,
                                             kIdFirstPresetColour + 15}) {
        EXPECT_TRUE(Shown(id)) << id;
        EXPECT_FALSE(Control(id)->IsEnabled()) << id;
    }
    EXPECT_EQ(Row(kFixed).status, 1);
    EXPECT_EQ(Row(kSpectrum).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(2), std::uint8_t{kFixed}, 10000);

    Click(Control(kIdColourful));
    EXPECT_EQ(Row(kFixed).colorful, 0);
    EXPECT_TRUE(Control(kIdColourPalette)->IsEnabled());
    EXPECT_TRUE(Control(kIdFirstPresetColour)->IsEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(6), std::uint8_t{0}, 10000);
}

TEST_F(LightPageTest, DirectionButtonsFollowTheModeAndStoreTheirValue) {
    Choose(kIdLightMode, kRainbow);
    EXPECT_TRUE(Shown(kIdDirectionLabel));
    EXPECT_TRUE(Shown(kIdFirstDirection));
    EXPECT_TRUE(Shown(kIdFirstDirection + 1));
    EXPECT_FALSE(Shown(kIdFirstDirection + 2));
    Click(Control(kIdFirstDirection));  // left
    EXPECT_EQ(Row(kRainbow).direction, 1);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(5), std::uint8_t{1}, 10000);
    Click(Control(kIdFirstDirection + 1));  // right
    EXPECT_EQ(Row(kRainbow).direction, 0);

    Choose(kIdLightMode, kWave);
    EXPECT_FALSE(Shown(kIdFirstDirection));
    EXPECT_TRUE(Shown(kIdFirstDirection + 2));
    EXPECT_TRUE(Shown(kIdFirstDirection + 3));
    Click(Control(kIdFirstDirection + 2));  // up
    EXPECT_EQ(Row(kWave).direction, 1);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(2), std::uint8_t{kWave}, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(5), std::uint8_t{1}, 10000);
    Click(Control(kIdFirstDirection + 3));  // down
    EXPECT_EQ(Row(kWave).direction, 0);
}

TEST_F(LightPageTest, SlidersStoreBrightnessAndSpeed) {
    Choose(kIdLightMode, kRainbow);
    ClickSlider(kIdBrightness, 40);
    EXPECT_EQ(Row(kRainbow).brightness, 40);
    ClickSlider(kIdSpeed, 1);
    EXPECT_EQ(Row(kRainbow).speed, 1);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(3), std::uint8_t{40}, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(4), std::uint8_t{3}, 10000);  // the keyboard counts speed down
    // Another mode keeps its own values; coming back shows these.
    Choose(kIdLightMode, kWave);
    EXPECT_EQ(Control<MSlider>(kIdBrightness)->GetProgress(), 100);
    Choose(kIdLightMode, kRainbow);
    EXPECT_EQ(Control<MSlider>(kIdBrightness)->GetProgress(), 40);
    EXPECT_EQ(Control<MSlider>(kIdSpeed)->GetProgress(), 1);
}

TEST_F(LightPageTest, PresetsAndTypedChannelsSetTheColour) {
    ChooseFixedSingleColour();
    Click(Control(kIdFirstPresetColour));
    EXPECT_EQ(Fields(), (std::vector<std::string>{"255", "0", "0"}));
    EXPECT_EQ(Row(kFixed).color_value, 0x0000FF);
    QTRY_VERIFY_WITH_TIMEOUT(SettingsByte(8) == 0xFF && SettingsByte(9) == 0 && SettingsByte(10) == 0, 10000);

    Type(kIdGreen, "300");
    EXPECT_EQ(Control(kIdGreen)->GetTitle(), "255");
    EXPECT_EQ(Row(kFixed).color_value, 0x00FFFF);
    Type(kIdBlue, "16");
    EXPECT_EQ(Row(kFixed).color_value, 0x10FFFF);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(10), std::uint8_t{0x10}, 10000);
}

// The wheel's colour reaches the fields, the row and the keyboard; the time
// from the end of a drag to the keyboard holding the colour is printed.
TEST_F(LightPageTest, AWheelDragSetsTheColourOnTheKeyboardSoonAfter) {
    ChooseFixedSingleColour();
    WaitForWorkerToCatchUp();
    auto* wheel = Control<CirclePalette>(kIdColourPalette);
    ASSERT_NE(wheel, nullptr);
    const QPoint start = wheel->PointOf(PackColour(255, 0, 0)).toPoint();
    const QPoint end = wheel->PointOf(PackColour(0, 0, 255)).toPoint();
    QTest::mousePress(wheel, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 10; ++step) {
        QMouseEvent move(QEvent::MouseMove, start + (end - start) * step / 10, wheel->mapToGlobal(start),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(wheel, &move);
    }
    QElapsedTimer sinceRelease;
    sinceRelease.start();
    QTest::mouseRelease(wheel, Qt::LeftButton, {}, end);
    const std::uint32_t picked = wheel->GetColor();
    EXPECT_EQ(static_cast<std::uint32_t>(Row(kFixed).color_value), picked);
    EXPECT_EQ(Fields(),
              (std::vector<std::string>{std::to_string(RedOf(picked)), std::to_string(GreenOf(picked)),
                                        std::to_string(BlueOf(picked))}));
    QTRY_VERIFY_WITH_TIMEOUT(SettingsByte(8) == RedOf(picked) && SettingsByte(9) == GreenOf(picked) &&
                                 SettingsByte(10) == BlueOf(picked),
                             10000);
    std::printf("[ measure ] end of wheel drag to the keyboard's colour: %lld ms\n",
                static_cast<long long>(sinceRelease.elapsed()));
}

TEST_F(LightPageTest, ALanguageChangeRenamesTheModesButNotTheStoredNames) {
    CurrentUiLanguage = 2052;
    window->OnWindowMessage(MSG_LANGUAGE_CHANGED, 0, 0);
    EXPECT_EQ(modes->GetItemText(0), GetUiString(71, 2052));
    EXPECT_EQ(modes->GetItemText(22), GetUiString(91, 2052));
    EXPECT_EQ(modes->GetCurData(), kSpectrum);
    EXPECT_EQ(Row(kSpectrum).name, "Spectrum");
}

// "Custom": the picture shows each key's colour, the selected keys take a
// colour choice, the whole map is stored and reaches the keyboard's colour
// table at the layout's key indexes; the keyboard is in per-key mode.
TEST_F(LightPageTest, CustomPaintsSelectedKeysAndDownloadsTheMap) {
    Choose(kIdLightMode, kCustom);
    EXPECT_TRUE(picture->IsPerKeyDisplay());
    EXPECT_TRUE(Shown(kIdColourPalette));
    EXPECT_TRUE(Control(kIdColourPalette)->IsEnabled());
    EXPECT_FALSE(Shown(kIdColourful));
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(2), std::uint8_t{0}, 10000);

    constexpr int kKeyB = 5;
    constexpr int kFn = 0xFF;
    ClickKey(kKeyA);
    ClickKey(kKeyB, Qt::ControlModifier);
    ClickKey(kFn, Qt::ControlModifier);
    ASSERT_EQ(picture->GetSelectedKeys().size(), 3u);
    Click(Control(kIdFirstPresetColour));  // red
    EXPECT_EQ(StoredKeyColours(), (std::map<int, std::uint32_t>{{kKeyA, kRed}, {kKeyB, kRed}, {kFn, kRed}}));
    const auto& codeToIndex = window->LayoutCodeToIndex();
    EXPECT_EQ(LookupKeyIndex(codeToIndex, kFn), 71);
    for (int code : {kKeyA, kKeyB, kFn}) {
        const int index = LookupKeyIndex(codeToIndex, code);
        QTRY_COMPARE_WITH_TIMEOUT(KeyboardKeyColour(index), 0x0000FFu, 10000);
    }

    // With no key selected a colour choice stores nothing.
    picture->SelectAll(false);
    Click(Control(kIdFirstPresetColour + 7));  // green
    EXPECT_EQ(StoredKeyColours().size(), 3u);

    // Leaving the mode and coming back shows the stored colours.
    Choose(kIdLightMode, kSpectrum);
    EXPECT_FALSE(picture->IsPerKeyDisplay());
    Choose(kIdLightMode, kCustom);
    std::uint32_t colour = 0;
    ASSERT_TRUE(picture->GetKeyColor(kKeyB, colour));
    EXPECT_EQ(colour, 0x0000FFu);
}

// A rectangle dragged from beside the keys selects the keys it touches, a
// Ctrl-click adds one; the wheel's colour goes to those keys only.
TEST_F(LightPageTest, ARubberBandAndCtrlClickSelectKeysForTheWheelColour) {
    constexpr int kOne = 0x1E;
    constexpr int kKeyZ = 0x1D;
    Choose(kIdLightMode, kCustom);
    const QPoint end = picture->KeyRect(kOne).center();
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(1, 1));
    QMouseEvent move(QEvent::MouseMove, end, picture->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(picture, &move);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, end);
    QTest::mouseClick(picture, Qt::LeftButton, Qt::ControlModifier, picture->KeyRect(kKeyA).center());
    EXPECT_TRUE(picture->IsKeySelected(kEscape));
    EXPECT_TRUE(picture->IsKeySelected(kOne));
    EXPECT_TRUE(picture->IsKeySelected(kKeyA));
    EXPECT_FALSE(picture->IsKeySelected(kKeyZ));

    auto* wheel = Control<CirclePalette>(kIdColourPalette);
    QTest::mouseClick(wheel, Qt::LeftButton, {}, wheel->PointOf(PackColour(0x80, 0xFF, 0x80)).toPoint());
    const std::uint32_t picked = wheel->GetColor();
    ASSERT_NE(picked, 0xFFFFFFu);
    std::map<int, std::uint32_t> stored;
    std::vector<KeyColour> rows;
    window->Database().ListKeyColours(0, rows);
    for (const KeyColour& row : rows) {
        stored[row.key_code] = static_cast<std::uint32_t>(row.key_rgb);
    }
    EXPECT_EQ(stored[kEscape], picked);
    EXPECT_EQ(stored[kKeyA], picked);
    EXPECT_NE(stored[kKeyZ], picked);
    const int index = LookupKeyIndex(window->LayoutCodeToIndex(), kEscape);
    QTRY_COMPARE_WITH_TIMEOUT(KeyboardKeyColour(index), picked, 10000);
}

// The per-key map as stored, on the page and on the keyboard alike: keys
// without a colour are off; a colour choice changes only the selected keys,
// and a change made elsewhere (vantoractl, a factory reset) is shown.
TEST_F(LightPageTest, CustomShowsTheStoredMapAndAChoiceChangesOnlyTheSelectedKeys) {
    const std::map<int, std::uint32_t> four{{0x14, kGreen}, {0x1A, kGreen}, {0x07, 0xFF0000}, {0x16, kRed}};
    StoreKeyColours(four);
    Choose(kIdLightMode, kCustom);
    std::uint32_t colour = 0;
    ASSERT_TRUE(picture->GetKeyColor(kKeyA, colour));
    EXPECT_EQ(colour, 0u);
    ExpectPictureAsKeyboard();

    ClickKey(kKeyA);
    Click(Control(kIdFirstPresetColour));  // red
    auto expected = four;
    expected[kKeyA] = kRed;
    EXPECT_EQ(StoredKeyColours(), expected);
    ExpectPictureAsKeyboard();

    // vantoractl light keys --clear through the running program.
    ASSERT_TRUE(window->Database().DeleteKeyColours(kCustom));
    ChangedElsewhere(KeyboardWork::kLighting);
    ASSERT_TRUE(picture->GetKeyColor(0x14, colour));
    EXPECT_EQ(colour, 0u);
    ClickKey(kEscape);
    Click(Control(kIdFirstPresetColour + 7));  // green
    EXPECT_EQ(StoredKeyColours(), (std::map<int, std::uint32_t>{{kEscape, kGreen}}));
    ExpectPictureAsKeyboard();

    // Restore Factory empties the map; the page shows it as the keyboard
    // does (the worker runs the reset and its reload before the choice).
    Click(VisibleTab(kTabSetting));
    AnswerNextBox(33);
    Click(Control(kIdRestoreFactory));
    Click(VisibleTab(kTabDevice));
    Click(Control(kTabLight));
    Choose(kIdLightMode, kCustom);
    EXPECT_TRUE(StoredKeyColours().empty());
    ExpectPictureAsKeyboard();
}

// A plain click selects that key alone: each colour goes to the key clicked
// before it.
TEST_F(LightPageTest, APlainClickSelectsOneKeyForTheNextColour) {
    Choose(kIdLightMode, kCustom);
    ClickKey(kEscape);
    Click(Control(kIdFirstPresetColour));  // red
    ClickKey(kKeyW);
    Click(Control(kIdFirstPresetColour + 7));  // green
    EXPECT_EQ(picture->GetSelectedKeys(), std::vector<int>{kKeyW});
    EXPECT_EQ(StoredKeyColours(), (std::map<int, std::uint32_t>{{kEscape, kRed}, {kKeyW, kGreen}}));
    ExpectPictureAsKeyboard();
}

// Every stored parameter of the current mode is on its control, and a
// change the database refuses puts the control back to the stored value.
TEST_F(LightPageTest, TheStoredParametersAreShownAndARefusedChangeGoesBack) {
    LightMode wave = Row(kWave);
    wave.direction = 1;  // up
    ASSERT_TRUE(window->Database().UpdateLightMode(kWave, wave));
    ASSERT_TRUE(window->Database().SetActiveLightMode(1, kWave));
    ChangedElsewhere(KeyboardWork::kSettings);
    EXPECT_EQ(modes->GetCurData(), kWave);
    EXPECT_TRUE(Control<CRadioButton>(kIdFirstDirection + 2)->GetCheck());
    EXPECT_FALSE(Control<CRadioButton>(kIdFirstDirection + 3)->GetCheck());
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(5), std::uint8_t{1}, 10000);

    Choose(kIdLightMode, kRainbow);
    EXPECT_EQ(Row(kRainbow).direction, 0);
    EXPECT_TRUE(Control<CRadioButton>(kIdFirstDirection + 1)->GetCheck());  // right
    EXPECT_FALSE(Control<CRadioButton>(kIdFirstDirection)->GetCheck());

    ChooseFixedSingleColour();
    LightMode fixed = Row(kFixed);
    fixed.color_value = static_cast<int>(PackColour(255, 128, 0));
    ASSERT_TRUE(window->Database().UpdateLightMode(kFixed, fixed));
    ChangedElsewhere(KeyboardWork::kSettings);
    EXPECT_EQ(Fields(), (std::vector<std::string>{"255", "128", "0"}));
    EXPECT_EQ(Control<CirclePalette>(kIdColourPalette)->GetColor(), PackColour(255, 128, 0));

    const int brightness = Row(kFixed).brightness;
    {
        OtherWriter other(window->Database().DatabasePath());
        ASSERT_TRUE(other.Locked());
        AnswerNextBox(33);
        auto* slider = Control<MSlider>(kIdBrightness);
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 4, slider->height() / 2));
        ASSERT_TRUE(QTest::qWaitFor([this] { return boxText.has_value(); }, 5000));
    }
    EXPECT_EQ(Row(kFixed).brightness, brightness);
    EXPECT_EQ(Control<MSlider>(kIdBrightness)->GetProgress(), brightness);
}

// After a factory reset the keyboard runs what the page shows, not its own
// factory settings.
TEST_F(LightPageTest, AfterRestoreFactoryTheKeyboardShowsWhatThePageShows) {
    Click(VisibleTab(kTabSetting));
    AnswerNextBox(33);
    Click(Control(kIdRestoreFactory));
    // The reset's reload stores the first-run light rows again.
    LightMode shown;
    QTRY_VERIFY_WITH_TIMEOUT(window->Database().GetLightMode(kSpectrum, shown), 15000);
    ASSERT_EQ(window->Database().GetActiveLightMode(), kSpectrum);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(4), static_cast<std::uint8_t>(kMaxSpeed - shown.speed), 15000);
    EXPECT_EQ(SettingsByte(2), kSpectrum);
    EXPECT_EQ(SettingsByte(3), shown.brightness);
    Click(VisibleTab(kTabDevice));
    Click(Control(kTabLight));
    EXPECT_EQ(modes->GetCurData(), kSpectrum);
    EXPECT_EQ(Control<MSlider>(kIdSpeed)->GetProgress(), shown.speed);
    EXPECT_EQ(Control<MSlider>(kIdBrightness)->GetProgress(), shown.brightness);
}

// At the program's start a keyboard running its own settings is given the
// stored per-key mode and map the page shows.
TEST_F(LightPageTest, AtTheStartTheKeyboardTakesTheStoredCustomMap) {
    Choose(kIdLightMode, kCustom);
    ClickKey(kKeyA);
    Click(Control(kIdFirstPresetColour));  // red
    WaitForWorkerToCatchUp();
    window.reset();
    keyboard->WithFirmware([](sim::KeyboardFirmware& f) { f.FactoryReset(); });
    Open();
    QTRY_VERIFY_WITH_TIMEOUT(window->Worker()->InitialLoadDone(), 10000);
    picture = Control<KeyboardCtrl>(kIdLightPicture);
    QTRY_COMPARE_WITH_TIMEOUT(SettingsByte(2), std::uint8_t{kCustom}, 10000);
    ExpectPictureAsKeyboard();
    std::uint32_t colour = 0;
    ASSERT_TRUE(picture->GetKeyColor(kKeyA, colour));
    EXPECT_EQ(colour, kRed);
}

TEST_F(LightPageTest, NotificationsOfTheLightControlsAreTaken) {
    EXPECT_EQ(window->OnMessage(kIdLightMode, kNotifyClick, 0, 0), 1);
    EXPECT_EQ(window->OnMessage(kIdColourPalette, kNotifyColorPicked, 0, 0), 1);
    EXPECT_EQ(window->OnMessage(kIdColourPalette, kNotifyClick, 0, 0), 0);
    EXPECT_EQ(window->OnMessage(kIdRed, kNotifyClick, 0, 0), 0);
    EXPECT_EQ(window->OnMessage(kIdLightPicture, kNotifyKeyClicked, 0, 0), 1);
}

}  // namespace
}  // namespace vantora::test
