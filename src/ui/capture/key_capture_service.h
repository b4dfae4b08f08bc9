#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/native_keys.h"
#include "ui/toolkit/mdialog.h"

namespace vantora {

class RawKeyListener;
class EvdevKeyReader;

// Hands the keys the user presses to whichever capture target is armed: the
// key page's single-key and combination fields, the macro page's key field,
// macro recording. One service, owned by the main window; only one target is
// armed at a time and the last one armed wins.
//
// Usage:
//   // the capture field gained the focus (or Record was pressed):
//   service.Arm([this](const DecodedKey& key, bool isUp) { ... });
//   // the dialog's OnCaptureKey(id, key) of that field:
//   return service.Feed(key);
//   // the field lost the focus (or Stop):
//   service.Disarm();
//
// On X11 (the xcb platform) a raw key listener runs while armed and delivers
// every key of the server, also while the window is not in front and for keys
// the window manager takes (Super, Print); Feed then ignores the field's own
// events so no key arrives twice. Elsewhere (Wayland, offscreen) Feed
// delivers the field's keys. The sink always runs on the UI thread, and
// never after Disarm (or a new Arm) for keys of an earlier arming.
// Recording may read the keyboard's own event nodes instead (ArmFromKeyboard):
// then only that keyboard's keys count, from any window on X11 and Wayland
// alike, and neither raw keys nor the field's events are delivered. The
// nodes are open only while armed so.
// Auto-repeat: every repeated press is delivered (as the recorder records
// them); the releases Qt makes up between X11 repeats are not, only the real
// release. The combination field's rules (presses only, modifier or key) are
// the sink's business.
class KeyCaptureService : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const DecodedKey& key, bool isUp)>;

    explicit KeyCaptureService(QObject* parent = nullptr);
    ~KeyCaptureService() override;

    // Starts delivering keys to `sink`, replacing any earlier sink.
    void Arm(Sink sink);
    // Where the keys of an arming come from.
    enum class Source {
        kWindow,    // the armed field's own events
        kDesktop,   // raw keys of the X server
        kKeyboard,  // the keyboard's own event nodes
    };
    // Why the keyboard's own nodes are not read.
    enum class KeyboardAccess {
        kRead,    // they are
        kAbsent,  // the keyboard has no node (unplugged, or no evdev)
        kDenied,  // this user may not read them (the udev rule is off)
        kFailed,  // they could not be opened for another reason
    };
    // Like Arm, but reads the keys of the keyboard `vendorId`:`productId`
    // from its event nodes when they can be opened; else falls back to
    // what Arm does, and says why.
    KeyboardAccess ArmFromKeyboard(Sink sink, std::uint16_t vendorId, std::uint16_t productId);
    Source KeySource() const;
    // Where event nodes are looked for (tests): sysfs and /dev.
    void SetDeviceRoots(std::string sysRoot, std::string devRoot) {
        sysRoot_ = std::move(sysRoot);
        devRoot_ = std::move(devRoot);
    }

    // Stops delivering; keys still on their way are dropped.
    void Disarm();
    bool IsArmed() const { return armed_; }

    // A key event of the armed capture field. True when it was handed to the
    // sink; false when not armed, when raw keys or the keyboard's nodes
    // deliver keys instead, for a made-up auto-repeat release and for keys
    // without a code.
    bool Feed(const CaptureKey& key);

    // Whether raw keys of the X server are delivering (armed on X11 and the
    // listener runs).
    bool RawKeysServe() const;
    // The X display raw keys are taken from at the next Arm: "" for
    // $DISPLAY, nullopt for none. Default: "" on the xcb platform, else none.
    void SetRawDisplay(std::optional<std::string> displayName) { rawDisplay_ = std::move(displayName); }

private:
    // Hands a key of another thread to the UI thread, for arming `arming`.
    void Queue(std::uint64_t arming, const DecodedKey& key, bool isUp);
    void DeliverRaw(std::uint64_t arming, const DecodedKey& key, bool isUp);

    Sink sink_;
    bool armed_ = false;
    std::uint64_t arming_ = 0;  // counts Arm calls; raw keys carry the one they were listened for
    std::optional<std::string> rawDisplay_;
    std::unique_ptr<RawKeyListener> raw_;
    std::unique_ptr<EvdevKeyReader> evdev_;
    std::string sysRoot_ = "/sys";
    std::string devRoot_ = "/dev";
};

}  // namespace vantora
