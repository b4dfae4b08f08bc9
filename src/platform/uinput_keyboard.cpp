#include "platform/uinput_keyboard.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace vantora {

UinputAccess ProbeUinput(const std::string& node) {
    if (::access(node.c_str(), F_OK) != 0) {
        return UinputAccess::kMissing;
    }
    return ::access(node.c_str(), W_OK) == 0 ? UinputAccess::kReady : UinputAccess::kNoAccess;
}

UinputKeyboard::~UinputKeyboard() {
    if (fd_ >= 0) {
        ::ioctl(fd_, UI_DEV_DESTROY);
        ::close(fd_);
    }
}

bool UinputKeyboard::Open(std::string& error, const std::string& node, std::chrono::milliseconds settle) {
    if (fd_ >= 0) {
        return true;
    }
    const int fd = ::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = node + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::ioctl(fd, UI_SET_EVBIT, EV_KEY) == 0 && ::ioctl(fd, UI_SET_EVBIT, EV_SYN) == 0;
    // Every key of a full keyboard: the layout decides which ones are used.
    for (int key = KEY_ESC; ok && key <= KEY_MICMUTE; ++key) {
        ok = ::ioctl(fd, UI_SET_KEYBIT, key) == 0;
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x1209;
    setup.id.product = 0x7e78;
    std::strncpy(setup.name, "VANTORA text typing", UINPUT_MAX_NAME_SIZE - 1);
    ok = ok && ::ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ::ioctl(fd, UI_DEV_CREATE) == 0;
    if (!ok) {
        error = node + ": the virtual keyboard was refused: " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    std::this_thread::sleep_for(settle);
    return true;
}

bool UinputKeyboard::Emit(unsigned short type, unsigned short code, int value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return ::write(fd_, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

bool UinputKeyboard::Key(std::uint16_t code, bool down, std::chrono::milliseconds gap) {
    const bool ok = Emit(EV_KEY, code, down ? 1 : 0) && Emit(EV_SYN, SYN_REPORT, 0);
    std::this_thread::sleep_for(gap);
    return ok;
}

bool UinputKeyboard::Type(const std::vector<KeyStroke>& strokes, std::chrono::milliseconds gap) {
    if (fd_ < 0) {
        return false;
    }
    for (const KeyStroke& stroke : strokes) {
        bool ok = true;
        for (std::uint16_t modifier : stroke.modifiers) {
            ok = Key(modifier, true, gap) && ok;
        }
        ok = Key(stroke.key, true, gap) && ok;
        ok = Key(stroke.key, false, gap) && ok;
        for (auto it = stroke.modifiers.rbegin(); it != stroke.modifiers.rend(); ++it) {
            ok = Key(*it, false, gap) && ok;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace vantora
