#pragma once

#include <string>

namespace kelvista::bench {

// A fresh folder under the system's temporary directory, removed with everything in it when the
// object goes. path() is empty when it could not be made.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace kelvista::bench
