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
    void LoadProfileList() override { Record("LoadProfileList"); }
    void RefreshKeyTips() override { Record("RefreshKeyTips"); }
    void ReloadMacroList() override { Record("ReloadMacroList"); }
    void RefreshLightPage() override { Record("RefreshLightPage"); }
    void LoadSwitches() override { Record("LoadSwitches"); }
    void LoadMusicLayer() override { Record("LoadMusicLayer"); }
    void Reconnect() override {
        Record("Reconnect");
        if (onReconnect) {
            onReconnect();
        }
    }
    bool IsWindowVisible() override { return visible.load(); }
    int CurrentPage() override { return page.load(); }
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override {
        std::lock_guard lock(mutex_);
        calls_.push_back("PaintMusicKeys");
        painted_ = samples;
        std::vector<KeyColourSample> picture = samples;
        picture.insert(picture.end(), extraPictureKeys.begin(), extraPictureKeys.end());
        return picture;
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

    std::atomic<bool> visible{true};
    std::atomic<int> page{43};
    std::function<void()> onReconnect;  // set before the worker runs
    std::vector<KeyColourSample> extraPictureKeys;

private:
    void Record(const char* call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<KeyColourSample> painted_;
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
