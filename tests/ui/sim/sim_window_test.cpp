// The simulated keyboard's window against a simulated keyboard served in
// this process: what it draws follows the keyboard's tables, clicks press
// keys, the buttons plug and unplug. Time is a clock the test sets.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <vector>

#include "device/device_event_listener.h"
#include "device/protocol.h"
#include "device/sim_hid_backend.h"
#include "i18n/strings.h"
#include "layouts/keyboard_layout.h"
#include "sim/window/keyboard_view.h"
#include "sim/window/sim_window.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora::sim {
namespace {

class ManualClock : public Clock {
public:
    void SleepMs(int ms) override { now += static_cast<std::uint64_t>(std::max(ms, 0)); }
    std::uint64_t NowMs() override { return now; }
    std::uint64_t now = 0;
};

// One row of keys: Esc, F1, A, Q, Left Ctrl, in this order.
enum LayoutKeyAt : std::size_t { kEsc, kF1, kA, kQ, kCtrl };
constexpr int kCodes[] = {41, 58, 4, 20, 224};
constexpr int kIndexA = 6 * 1 + 3;
constexpr int kIndexQ = 6 * 1 + 2;
constexpr int kIndexEsc = 0;

KeyboardLayout RowLayout() {
    KeyboardLayout layout;
    const char* names[] = {"Esc", "F1", "A", "Q", "Ctrl"};
    for (int i = 0; i < 5; ++i) {
        LayoutKey key;
        key.code = kCodes[i];
        key.name = names[i];
        key.rect = {i * 60, 0, i * 60 + 56, 56};
        layout.keys.push_back(key);
    }
    return layout;
}

class SimWindowTest : public ::testing::Test {
protected:
    SimWindowTest() : server_(Options()), window_((Plugged(), server_), RowLayout(), clock_) {
        CurrentUiLanguage = 1033;  // English function names
        window_.resize(420, 160);
        window_.show();
        window_.Refresh();
    }

    SimKeyboardServer::Options Options() {
        env_.Set("VANTORA_SIM_DIR", temp_.path() + "sim");
        SimKeyboardServer::Options options;
        options.folder = temp_.path() + "sim";
        return options;
    }
    void Plugged() { ASSERT_TRUE(server_.Plug()); }

    // One write report as a download sends it, taken by the keyboard.
    void Write(std::uint8_t command, std::size_t offset, const std::vector<std::uint8_t>& data) {
        std::array<std::uint8_t, protocol::kReportSize> report{};
        report[protocol::kMarker] = protocol::kRequestMarker;
        report[protocol::kCommand] = command;
        report[protocol::kLength] = static_cast<std::uint8_t>(data.size());
        report[protocol::kOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
        report[protocol::kOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
        std::copy(data.begin(), data.end(), report.begin() + protocol::kData);
        report[protocol::kChecksum] = protocol::Checksum(report.data(), 4, 63);
        auto reply =
            server_.WithFirmware([&](KeyboardFirmware& firmware) { return firmware.HandleReport(report); });
        ASSERT_TRUE(reply.answer && (*reply.answer)[0] == protocol::kAnswerMarker);
    }
    void WriteLayer(int index, bool fn, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        Write(protocol::CMD_WRITE_KEYS, 6 * static_cast<std::size_t>(index) + (fn ? 3 : 0), {a, b, c});
    }
    // Light mode, brightness, speed byte, direction, colourful, colour.
    void WriteSettings(int mode, int brightness, bool colourful = false, Rgb colour = {10, 200, 30}) {
        Write(protocol::CMD_WRITE_SETTINGS, 2,
              {static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(brightness), 1, 0,
               static_cast<std::uint8_t>(colourful), 0, colour.r, colour.g, colour.b});
    }

    QColor LightAt(std::size_t key) {
        const QImage picture = window_.View()->grab().toImage();
        return picture.pixelColor(window_.View()->LightPoint(key));
    }
    std::string Label(std::size_t key) { return window_.View()->Labels()[key]; }

    ~SimWindowTest() override { CurrentUiLanguage = language_; }

    const int language_ = CurrentUiLanguage;
    test::TempDir temp_;
    test::EnvGuard env_;
    ManualClock clock_;
    SimKeyboardServer server_;
    SimWindow window_;
};

TEST_F(SimWindowTest, LabelsFollowAKeyDownloadOnBothLayers) {
    EXPECT_EQ(Label(kA), "A");
    EXPECT_EQ(Label(kCtrl), "Ctrl");  // factory functions keep the printed names
    WriteLayer(kIndexA, false, protocol::kClassKey, 0x02, 4);
    WriteLayer(kIndexQ, false, protocol::kClassKey, 0x01, 0x06);
    WriteLayer(kIndexEsc, false, protocol::kClassMacro, 1, 1);
    WriteLayer(6 * 0 + 5, false, protocol::kClassKey, 0, 0);  // Left Ctrl disabled
    window_.Refresh();
    EXPECT_EQ(Label(kA), "Shift+A");
    EXPECT_EQ(Label(kQ), "Copy");
    EXPECT_EQ(Label(kEsc), "Macro 2");
    EXPECT_EQ(Label(kCtrl), "Disable Key");
    EXPECT_EQ(Label(kF1), "F1");

    WriteLayer(kIndexA, true, protocol::kClassApplication, 7, 0);
    WriteLayer(kIndexQ, true, protocol::kClassKey, 0, 0x02);  // a lone Left Shift
    WriteLayer(kIndexEsc, true, protocol::kClassInternal, 0xA6, 0);
    WriteLayer(6 * 0 + 5, true, protocol::kClassMouse, 0x01, 0);
    window_.Refresh();
    window_.FnButton()->click();
    EXPECT_EQ(Label(kF1), "Play/Pause");  // the factory FN layer
    EXPECT_EQ(Label(kA), "Application 7");
    EXPECT_EQ(Label(kQ), "Shift");
    EXPECT_EQ(Label(kEsc), "Switch Windows");
    EXPECT_EQ(Label(kCtrl), "Left Mouse Button");
    window_.FnButton()->click();
    EXPECT_EQ(Label(kA), "Shift+A");
}

TEST_F(SimWindowTest, SettingsDownloadLightsTheKeysAndStartsFramesOnlyWhenAnimating) {
    WriteSettings(2, 100);
    window_.Refresh();
    EXPECT_EQ(LightAt(kA), QColor(10, 200, 30));
    EXPECT_EQ(LightAt(kCtrl), QColor(10, 200, 30));
    EXPECT_FALSE(window_.Animating());

    WriteSettings(2, 50);
    window_.Refresh();
    EXPECT_EQ(LightAt(kQ), QColor(5, 100, 15));

    WriteSettings(1, 100);
    window_.Refresh();
    EXPECT_TRUE(window_.Animating());
    WriteSettings(1, 0);
    window_.Refresh();
    EXPECT_FALSE(window_.Animating());
    EXPECT_EQ(LightAt(kA), QColor(0, 0, 0));
}

TEST_F(SimWindowTest, PerKeyModeShowsTheKeyColourTable) {
    WriteSettings(0, 100);
    Write(protocol::CMD_WRITE_KEY_COLOURS, 3 * kIndexA, {255, 0, 0});
    Write(protocol::CMD_WRITE_KEY_COLOURS, 3 * kIndexEsc, {0, 0, 255});
    window_.Refresh();
    EXPECT_EQ(LightAt(kA), QColor(255, 0, 0));
    EXPECT_EQ(LightAt(kEsc), QColor(0, 0, 255));
    EXPECT_EQ(LightAt(kQ), QColor(0, 0, 0));
    EXPECT_TRUE(window_.StatusText().contains("per-key colours"));
}

TEST_F(SimWindowTest, TheLastMusicFrameStaysUntilTheLightModeIsWritten) {
    WriteSettings(2, 100);
    window_.Refresh();
    Write(protocol::CMD_STREAM_COLOURS, 3 * kIndexA, {0, 0, 250});
    window_.Refresh();
    EXPECT_EQ(LightAt(kA), QColor(0, 0, 250));
    EXPECT_EQ(LightAt(kQ), QColor(0, 0, 0));
    EXPECT_TRUE(window_.StatusText().contains("music frames"));
    // The keyboard keeps the last frame however long nothing follows...
    clock_.now += 5000;
    window_.Refresh();
    EXPECT_EQ(LightAt(kA), QColor(0, 0, 250));
    EXPECT_FALSE(window_.Animating());
    // ...until it is given its light mode again.
    WriteSettings(2, 100);
    window_.Refresh();
    EXPECT_EQ(LightAt(kA), QColor(10, 200, 30));
    EXPECT_FALSE(window_.StatusText().contains("music frames"));
}

TEST_F(SimWindowTest, ClickingAKeySendsItsEventReportOnTheHeldLayer) {
    WriteLayer(kIndexA, false, protocol::kClassApplication, 7, 0);
    WriteLayer(kIndexA, true, protocol::kClassHostFunction, 9, 0);
    SimHidBackend backend({.folder = temp_.path() + "sim"});
    std::mutex mutex;
    std::condition_variable posted;
    std::vector<std::intptr_t> ids;
    DeviceEventListener listener(
        backend, SystemClock::Instance(),
        [&](unsigned, std::uintptr_t, std::intptr_t id) {
            std::lock_guard lock(mutex);
            ids.push_back(id);
            posted.notify_all();
        },
        MSG_DEVICE_EVENT);
    listener.SetFilter(0x1209, 0x0001);
    listener.StartListener();
    ASSERT_TRUE(listener.IsListening());
    auto click = [&](std::size_t key) {
        QTest::mouseClick(window_.View(), Qt::LeftButton, {}, window_.View()->KeyRect(key).center());
    };
    click(kQ);  // a key the keyboard handles itself sends nothing
    click(kA);
    window_.FnButton()->click();
    click(kA);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(posted.wait_for(lock, std::chrono::seconds(20), [&] { return ids.size() >= 2; }));
    EXPECT_EQ(ids, (std::vector<std::intptr_t>{7, 9}));
    lock.unlock();
    listener.StopListener();
}

TEST_F(SimWindowTest, ButtonsUnplugAndPlugTheKeyboard) {
    EXPECT_FALSE(window_.PlugButton()->isEnabled());
    EXPECT_NE(LightAt(kA), QColor(0, 0, 0));  // the factory light mode
    window_.UnplugButton()->click();
    EXPECT_FALSE(server_.Plugged());
    EXPECT_EQ(LightAt(kA), QColor(0, 0, 0));
    EXPECT_FALSE(window_.Animating());
    EXPECT_TRUE(std::filesystem::is_empty(temp_.path() + "sim"));
    EXPECT_TRUE(window_.StatusText().startsWith("Unplugged"));
    EXPECT_FALSE(window_.UnplugButton()->isEnabled());
    window_.PlugButton()->click();
    EXPECT_TRUE(server_.Plugged());
    EXPECT_FALSE(std::filesystem::is_empty(temp_.path() + "sim"));
    EXPECT_TRUE(window_.StatusText().startsWith("Plugged in"));
    EXPECT_NE(LightAt(kA), QColor(0, 0, 0));
}

// A full-size keyboard: 6 rows of 21 keys.
std::vector<KeyPlace> FullKeyboard() {
    std::vector<KeyPlace> places;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 21; ++column) {
            places.push_back({6 * column + row, (column + 0.5) / 21, (row + 0.5) / 6});
        }
    }
    return places;
}

// A mode's settings: brightness 100, speed byte 1, colourful.
std::array<std::uint8_t, protocol::kSettingsSize> ModeSettings(int mode) {
    std::array<std::uint8_t, protocol::kSettingsSize> settings{};
    settings[2] = static_cast<std::uint8_t>(mode);
    settings[3] = 100;
    settings[4] = 1;
    settings[6] = 1;
    return settings;
}

// Every key over one second, 11 frames.
std::vector<Rgb> Second(const std::array<std::uint8_t, protocol::kSettingsSize>& settings) {
    const std::array<std::uint8_t, protocol::kKeyColoursSize> noColours{};
    const auto places = FullKeyboard();
    std::vector<Rgb> frames;
    for (std::uint64_t ms = 0; ms <= 1000; ms += 100) {
        auto lights = LightKeys(settings, noColours, places, ms);
        frames.insert(frames.end(), lights.begin(), lights.end());
    }
    return frames;
}

// How many samples of two runs differ visibly.
std::size_t Differences(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += std::abs(a[i].r - b[i].r) + std::abs(a[i].g - b[i].g) + std::abs(a[i].b - b[i].b) > 60;
    }
    return count;
}

TEST(SimWindowModes, EachModeAnimatesDifferentlyFromEveryOther) {
    const std::size_t keys = FullKeyboard().size();
    std::vector<std::vector<Rgb>> seen;
    for (int mode = 1; mode <= kLastLightMode; ++mode) {
        std::vector<Rgb> frames = Second(ModeSettings(mode));
        bool still = true;
        for (std::size_t i = keys; i < frames.size(); ++i) {
            still = still && frames[i] == frames[i % keys];
        }
        EXPECT_EQ(still, !LightAnimates(ModeSettings(mode))) << "mode " << mode;
        for (std::size_t other = 0; other < seen.size(); ++other) {
            EXPECT_GT(Differences(frames, seen[other]), frames.size() / 5)
                << "modes " << other + 1 << " and " << mode;
        }
        seen.push_back(std::move(frames));
    }
}

TEST(SimWindowModes, SpeedDirectionAndSingleColourShowInTheAnimation) {
    for (int mode = 1; mode <= kLastLightMode; ++mode) {
        auto settings = ModeSettings(mode);
        const auto normal = Second(settings);
        settings[4] = 4;
        EXPECT_EQ(Differences(normal, Second(settings)) > 0, LightAnimates(settings))
            << "slower mode " << mode;
        settings[4] = 1;
        settings[5] = 1;
        const bool directed =
            mode == 6 || mode == 7 || mode == 8 || mode == 9 || mode == 10 || mode == 12 || mode == 19;
        EXPECT_EQ(Differences(normal, Second(settings)) > 0, directed) << "other direction, mode " << mode;
        settings[5] = 0;
        settings[6] = 0;
        settings[9] = 255;  // green only
        bool green = true;
        for (const Rgb& light : Second(settings)) {
            green = green && light.r == light.b;  // shades of green, white sparkles
        }
        const bool coloured = mode != 1 && mode != 5 && mode != 16;
        EXPECT_EQ(green, coloured) << "single colour, mode " << mode;
    }
}

// Every label of both layers of every shipped layout is written whole in
// its key at the window's own size: the font shrinks and the words wrap.
TEST_F(SimWindowTest, EveryLabelOfEveryShippedLayoutFitsItsKey) {
    int layouts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTORA_LAYOUTS_DIR)) {
        const KeyboardLayout layout = LoadKeyboardLayoutFile(entry.path().string());
        ASSERT_FALSE(layout.keys.empty()) << entry.path();
        ++layouts;
        SimWindow window(server_, layout, clock_);
        window.resize(window.sizeHint());
        window.show();
        for (bool fn : {false, true}) {
            window.FnButton()->setChecked(fn);
            window.Refresh();
            const KeyboardView& view = *window.View();
            for (std::size_t key = 0; key < view.Labels().size(); ++key) {
                const QString text = QString::fromStdString(view.Labels()[key]);
                const QRectF area = view.LabelArea(key);
                const QRectF needed =
                    QFontMetricsF(view.LabelFont(key)).boundingRect(area, KeyboardView::kLabelFlags, text);
                EXPECT_TRUE(needed.width() <= area.width() && needed.height() <= area.height())
                    << entry.path().filename() << (fn ? " FN " : " ") << text.toStdString() << " needs "
                    << needed.width() << "x" << needed.height() << " in " << area.width() << "x"
                    << area.height();
            }
        }
    }
    EXPECT_GE(layouts, 10);
}

}  // namespace
}  // namespace vantora::sim
