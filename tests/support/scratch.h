#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace nolvetta::testsupport {

// A fresh directory, removed with everything in it.
struct ScratchDirectory {
    ScratchDirectory() { std::filesystem::create_directory(path_); }
    ~ScratchDirectory() { std::filesystem::remove_all(path_, ec_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    std::error_code ec_;
    const std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                        ("nolvetta-test-" + std::to_string(std::random_device{}()));
};

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace nolvetta::testsupport
