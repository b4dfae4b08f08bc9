#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sync/sync_host.h"

namespace vantora::test {

// Records the worker's calls on the main window in order.
class FakeHost : public SyncHost {
public:
    bool LoadProfileList() override { return Reload("LoadProfileList"); }
    bool RefreshKeyTips() override { return Reload("RefreshKeyTips"); }
    bool ReloadMacroList() override { return Reload("ReloadMacroList"); }
    bool RefreshLightPage() override { return Reload("RefreshLightPage"); }
    bool LoadSwitches() override { return Reload("LoadSwitches"); }
    void LoadMusicLayer() override { Record("LoadMusicLayer"); }
    void Reconnect() override {
        Record("Reconnect");
        if (onReconnect) {
            onReconnect();
        }
    }
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override {
        std::lock_guard lock(mutex_);
        calls_.push_back("PaintMusicKeys");
        painted_ = samples;
        std::vector<KeyColourSample> picture = samples;
        picture.insert(picture.end(), extraPictureKeys.begin(), extraPictureKeys.end());
        return picture;
    }

    void OnWriteActivity(const WriteActivity& activity) override {
        std::lock_guard lock(mutex_);
        activities_.push_back(activity);
    }
    std::vector<WriteActivity> Activities() const {
        std::lock_guard lock(mutex_);
        return activities_;
    }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void ClearCalls() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    std::vector<KeyColourSample> Painted() const {
        std::lock_guard lock(mutex_);
        return painted_;
    }

    // From the reload of this name on, no reload runs (as when the owner is
    // stopping); empty: every reload runs.
    void RefuseFrom(std::string call) {
        std::lock_guard lock(mutex_);
        refuseFrom_ = std::move(call);
        refusing_ = false;
    }
    std::function<void()> onReconnect;  // set before the worker runs
    std::vector<KeyColourSample> extraPictureKeys;

private:
    bool Reload(const char* call) {
        std::lock_guard lock(mutex_);
        if (!refuseFrom_.empty() && (refusing_ || refuseFrom_ == call)) {
            refusing_ = true;
            return false;
        }
        calls_.push_back(call);
        return true;
    }
    void Record(const char* call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<KeyColourSample> painted_;
    std::vector<WriteActivity> activities_;
    std::string refuseFrom_;
    bool refusing_ = false;
};

// An analyser image the test fills.
class FakeMusicSource : public MusicImageSource {
public:
    bool LatestImage(MusicImage& out) override {
        std::lock_guard lock(mutex_);
        if (!hasImage_) {
            return false;
        }
        out = image_;
        return true;
    }
    void Set(const MusicImage& image) {
        std::lock_guard lock(mutex_);
        image_ = image;
        hasImage_ = true;
    }

private:
    std::mutex mutex_;
    MusicImage image_{};
    bool hasImage_ = false;
};

}  // namespace vantora::test
