#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vantora {

// How one text went: the characters the layout could not give (left out),
// and why nothing or not everything was typed (empty when all was).
struct TypingReport {
    std::u32string missing;
    std::string error;
};

// Types texts through a virtual keyboard (UinputKeyboard) with keys chosen
// from the session's layout (ReadSessionKeys), one text after another on
// a thread of its own, so the caller never waits. The keyboard exists only
// while a text is typed.
class TextTypist {
public:
    // `report` is called on the typing thread after each text. `settle` is
    // how long a new keyboard is given to be taken in by the desktop before
    // its first key.
    explicit TextTypist(std::function<void(const TypingReport&)> report, std::string node = "/dev/uinput",
                        std::chrono::milliseconds settle = std::chrono::milliseconds(300));
    // Texts not yet begun are dropped; the one being typed is finished.
    ~TextTypist();
    TextTypist(const TextTypist&) = delete;
    TextTypist& operator=(const TextTypist&) = delete;

    void Type(std::string utf8);

private:
    void Run();
    TypingReport TypeOne(const std::string& utf8) const;

    std::function<void(const TypingReport&)> report_;
    std::string node_;
    std::chrono::milliseconds settle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> texts_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vantora
