// Files for tests: small bitmap files, and a temporary working directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Writes a 24-bit bitmap file of w x h filled with one colour, with an
// optional differently coloured top-left pixel.
void writeBitmap(const std::string& path, int w, int h, uint32_t rgb, int64_t topLeft = -1);

// A temporary folder made the working directory for the object's lifetime
// (path() is its UTF-8 name; "" if none could be made, and the working
// directory is then left as it was).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::filesystem::path previous_;
};
