#pragma once

#include "ui/toolkit/mdialog.h"

#include <functional>
#include <string>

namespace vantora {

// Turns a key event of a capture field into the key's Windows virtual-key
// code and display name; false for events that name no key.
using KeyDecoder = std::function<bool(const CaptureKey& key, int& code, std::string& name)>;

// Edits one macro record: its key (captured in field 34) and its delay.
// The opener sets the record fields, runs it, and on result 1 reads them
// back. A record whose key was not captured keeps its desc, type and value.
class RecordEditDlg : public MDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 230;
    static constexpr int kKeyFieldLength = 10;
    static constexpr int kDelayFieldLength = 5;

    std::string title;
    std::string desc;
    int type = 2;
    int value = 0;
    int delay = 0;

    int Run(MDialog* parent);
    // The decoder of captured keys (the key capture service provides it).
    void SetKeyDecoder(KeyDecoder decoder) { decoder_ = std::move(decoder); }
    bool IsCapturing() const { return capturing_; }

    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    void OnInitDialog() override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
    bool OnCaptureKey(int id, const CaptureKey& key) override;

private:
    KeyDecoder decoder_;
    bool capturing_ = false;
};

}  // namespace vantora
