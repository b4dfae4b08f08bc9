#include "sim/window/key_lighting.h"

#include <algorithm>
#include <cmath>

namespace vantora::sim {

namespace {

constexpr double kTau = 6.283185307179586;
constexpr int kRows = 6;
constexpr int kColumns = 21;
// The keyboard is about three times as wide as it is high: distances scale
// x by this, so that rings look round.
constexpr double kAspect = 3.0;

double Frac(double value) {
    return value - std::floor(value);
}

// A steady pseudo-random number in [0, 1) for a pair of integers.
double Noise(int a, int b) {
    std::uint32_t h = static_cast<std::uint32_t>(a) * 0x9E3779B1u ^
                      (static_cast<std::uint32_t>(b) + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<double>(h) / 4294967296.0;
}

int Floor(double value) {
    return static_cast<int>(std::floor(value));
}

// 1 at distance 0, falling linearly to 0 at `width`.
double Peak(double distance, double width) {
    return std::max(0.0, 1.0 - std::abs(distance) / width);
}

Rgb Hue(double hue) {
    const double h = Frac(hue) * 6.0;
    const int sector = std::min(5, Floor(h));
    const double f = h - sector;
    const auto up = static_cast<std::uint8_t>(std::lround(255.0 * f));
    const auto down = static_cast<std::uint8_t>(std::lround(255.0 * (1.0 - f)));
    switch (sector) {
        case 0:
            return {255, up, 0};
        case 1:
            return {down, 255, 0};
        case 2:
            return {0, 255, up};
        case 3:
            return {0, down, 255};
        case 4:
            return {up, 0, 255};
        default:
            return {255, 0, down};
    }
}

Rgb Scale(Rgb colour, double factor) {
    factor = std::clamp(factor, 0.0, 1.0);
    auto part = [factor](std::uint8_t value) {
        return static_cast<std::uint8_t>(std::lround(value * factor));
    };
    return {part(colour.r), part(colour.g), part(colour.b)};
}

Rgb Add(Rgb a, Rgb b) {
    auto part = [](int x, int y) { return static_cast<std::uint8_t>(std::min(255, x + y)); };
    return {part(a.r, b.r), part(a.g, b.g), part(a.b, b.b)};
}

// Everything one mode needs to colour one key.
struct Frame {
    double t = 0;     // time in cycles of the chosen speed
    double sign = 1;  // +1 for direction 0 (right or down), -1 for 1
    bool colourful = true;
    Rgb single;

    // The colour of an effect at `hue`: the hue itself when colourful, the
    // single colour otherwise.
    Rgb Colour(double hue) const { return colourful ? Hue(hue) : single; }
};

Rgb ModeColour(int mode, const Frame& f, const KeyPlace& key) {
    const double t = f.t;
    const double x = key.x;
    const double y = key.y;
    const int row = std::clamp(Floor(y * kRows), 0, kRows - 1);
    const int column = std::clamp(Floor(x * kColumns), 0, kColumns - 1);
    const double dx = (x - 0.5) * kAspect;
    const double dy = y - 0.5;
    switch (mode) {
        case 1:  // Spectrum: the whole keyboard runs through the hues
            return Hue(t / 4);
        case 2:  // Fixed: still, hues across the keyboard
            return f.Colour(x);
        case 3:  // Fixed 2: still, hues by row; a single colour in a checker
            return f.colourful ? Hue(row / 6.0) : Scale(f.single, (row + column) % 2 == 0 ? 1.0 : 0.3);
        case 4: {  // Breathe: fades in and out, a new hue each breath
            const double breath = t / 2;
            return Scale(f.Colour(Floor(breath) * 0.17), 0.5 - 0.5 * std::cos(kTau * breath));
        }
        case 5: {  // Shinning: keys flash up one by one in random hues
            const double local = t + Noise(key.index, 1);
            return Scale(Hue(Noise(key.index, Floor(local))), Peak(Frac(local) - 0.5, 0.25));
        }
        case 6:  // Rainbow: hues across the keyboard, moving sideways
            return Scale(f.Colour(x - f.sign * t / 2),
                         f.colourful ? 1.0 : 0.6 + 0.4 * std::sin(kTau * (x - f.sign * t / 2)));
        case 7:  // Wave Upr: hues by row, moving up or down
            return Scale(f.Colour(y - f.sign * t / 2), 0.65 + 0.35 * std::sin(kTau * (y - f.sign * t / 2)));
        case 8: {  // Volcano: rings rising from the bottom middle
            const double distance = std::hypot(dx / kAspect * 1.5, y - 1.0);
            const double wave = Frac(distance * 1.5 - f.sign * t / 2);
            return Scale(f.Colour(0.08 * wave), 1.0 - wave);
        }
        case 9: {  // Wave light: one bright line sweeping up or down
            const double position = Frac(f.sign * t / 2);
            const double distance =
                std::min({std::abs(y - position), std::abs(y - position + 1), std::abs(y - position - 1)});
            return Add(Scale(f.Colour(t / 10), Peak(distance, 0.2)), Scale(f.Colour(t / 10), 0.08));
        }
        case 10:  // Spiral: hues turning around the middle
            return f.Colour(std::atan2(dy, dx) / kTau + std::hypot(dx, dy) / 2 - f.sign * t / 2);
        case 11: {  // Arcade: a bar bouncing from side to side
            const double position = 1.0 - std::abs(1.0 - 2.0 * Frac(t / 2));
            return Scale(f.Colour(position), Peak(x - position, 0.12));
        }
        case 12: {  // Wave: diagonal swells moving up or down
            const double phase = x + y - f.sign * t / 2;
            return Scale(f.Colour(phase / 2), 0.3 + 0.7 * (0.5 + 0.5 * std::sin(kTau * phase)));
        }
        case 13: {  // Splash: a ripple from a random key each cycle
            const int splash = Floor(t);
            const double cx = (Noise(splash, 2) - 0.5) * kAspect;
            const double cy = Noise(splash, 3) - 0.5;
            const double local = Frac(t);
            const double distance = std::hypot(dx - cx, dy - cy);
            return Scale(f.Colour(Noise(splash, 4)), Peak(distance - local * 1.2, 0.15) * (1.0 - local));
        }
        case 14:  // Flow: hues gliding from corner to corner, steady brightness
            return f.Colour((x - y) / 2 + t / 3);
        case 15:  // Mutant: the whole keyboard jumps to a new colour each cycle
            return f.colourful ? Hue(Floor(t) * 0.37) : Scale(f.single, Floor(t) % 2 == 0 ? 1.0 : 0.2);
        case 16:  // Cell: every key changes to a random hue at its own moments
            return Hue(Noise(key.index, Floor(t * 0.7 + Noise(key.index, 5))));
        case 17: {  // Zone: four zones, the lit one moving on each cycle
            const int zone = std::min(3, Floor(x * 4));
            const int step = Floor(t);
            return f.colourful ? Hue((zone + step) * 0.25)
                               : Scale(f.single, (zone + step) % 4 == 0 ? 1.0 : 0.15);
        }
        case 18: {  // Glisten: a dim glow with white sparkles
            const double local = t * 1.5 + Noise(key.index, 7);
            const bool sparkles = Noise(key.index, Floor(local)) > 0.7;
            const Rgb glow = Scale(f.Colour(0.6), 0.25);
            return sparkles ? Add(glow, Scale({255, 255, 255}, Peak(Frac(local) - 0.5, 0.5))) : glow;
        }
        case 19: {  // Meteor: streaks with fading tails along each row
            const double head = Frac(f.sign * t * 0.6 + Noise(row, 9)) * 1.4 - 0.2;
            const double behind = f.sign > 0 ? head - x : x - (1.0 - head);
            return behind >= 0 && behind < 0.3 ? Scale(f.Colour(row / 6.0), 1.0 - behind / 0.3) : Rgb{};
        }
        case 20: {  // Stars: keys slowly twinkling on a dark keyboard
            const double glow = std::sin(kTau * (t * 0.4 + Noise(key.index, 11)));
            return glow > 0 ? Scale(f.Colour(Noise(key.index, 13)), glow * glow * glow) : Rgb{};
        }
        case 21: {  // Bloom: rings opening from the middle
            const double radius = Frac(t / 2) * 1.6;
            const double distance = std::hypot(dx, dy);
            return Scale(f.Colour(distance - t / 5), Peak(distance - radius, 0.25));
        }
        case 22: {  // Wave Bar: a level meter in every column
            const double level = 0.5 + 0.5 * std::sin(kTau * (t * 0.7 + Noise(column, 15)));
            return 1.0 - y <= level + 0.05 ? f.Colour(0.33 * y) : Rgb{};
        }
        default:
            return {};
    }
}

}  // namespace

bool LightAnimates(std::span<const std::uint8_t, protocol::kSettingsSize> settings) {
    const int mode = settings[2];
    return mode >= 1 && mode <= kLastLightMode && mode != 2 && mode != 3 && settings[3] > 0;
}

std::vector<Rgb> LightKeys(std::span<const std::uint8_t, protocol::kSettingsSize> settings,
                           std::span<const std::uint8_t, protocol::kKeyColoursSize> keyColours,
                           std::span<const KeyPlace> places, std::uint64_t ms) {
    const int mode = settings[2];
    const double brightness = std::min<int>(settings[3], 100) / 100.0;
    const int speed = std::min<int>(settings[4], 4);  // 0 is the fastest
    Frame frame;
    frame.t = static_cast<double>(ms) / 1000.0 * (5 - speed) * 0.25;
    frame.sign = settings[5] != 0 ? -1.0 : 1.0;
    frame.colourful = settings[6] != 0;
    frame.single = {settings[8], settings[9], settings[10]};
    std::vector<Rgb> lights(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        const KeyPlace& key = places[i];
        if (key.index < 0 || key.index >= static_cast<int>(protocol::kKeyCount)) {
            continue;
        }
        Rgb colour;
        if (mode == kPerKeyMode) {
            const std::size_t at = 3 * static_cast<std::size_t>(key.index);
            colour = {keyColours[at], keyColours[at + 1], keyColours[at + 2]};
        } else {
            colour = ModeColour(mode, frame, key);
        }
        lights[i] = Scale(colour, brightness);
    }
    return lights;
}

std::vector<Rgb> MusicKeys(std::span<const std::uint8_t, protocol::kMusicFrameSize> frame,
                           std::span<const KeyPlace> places) {
    std::vector<Rgb> lights(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        const int index = places[i].index;
        if (index >= 0 && index < static_cast<int>(protocol::kKeyCount)) {
            const std::size_t at = 3 * static_cast<std::size_t>(index);
            lights[i] = {frame[at], frame[at + 1], frame[at + 2]};
        }
    }
    return lights;
}

}  // namespace vantora::sim
