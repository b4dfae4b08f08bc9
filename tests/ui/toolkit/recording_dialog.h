#pragma once

#include "ui/toolkit/toolkit.h"

#include <QThread>
#include <vector>

namespace vantora::test {

// A dialog that writes down every notification and window message it gets.
class RecordingDialog : public MDialog {
public:
    struct Note {
        int id;
        int code;
        std::uintptr_t wparam;
        MControl* sender;
        bool operator==(const Note& o) const { return id == o.id && code == o.code && wparam == o.wparam; }
    };
    struct Message {
        unsigned message;
        std::uintptr_t wparam;
        std::intptr_t lparam;
        bool onUiThread;
    };

    std::vector<Note> notes;
    std::vector<Message> messages;
    std::vector<std::pair<int, CaptureKey>> keys;

    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t) override {
        notes.push_back(Note{id, code, wparam, Sender()});
        return 1;
    }
    std::intptr_t OnWindowMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override {
        messages.push_back(Message{message, wparam, lparam, QThread::currentThread() == thread()});
        return 1;
    }
    bool OnCaptureKey(int id, const CaptureKey& key) override {
        keys.emplace_back(id, key);
        return true;
    }
    // The codes reported by control `id`, in order.
    std::vector<int> CodesOf(int id) const {
        std::vector<int> codes;
        for (const auto& n : notes) {
            if (n.id == id) {
                codes.push_back(n.code);
            }
        }
        return codes;
    }
};

}  // namespace vantora::test
