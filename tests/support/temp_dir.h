#pragma once

#include <string>

namespace vantora::test {

// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes away. path() ends in '/'.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes `content` to path() + relative, creating parent folders.
    std::string WriteFile(const std::string& relative, const std::string& content) const;

private:
    std::string path_;
};

}  // namespace vantora::test
