#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "message/message.h"

// What the message tests read, and how they tell what was read.
namespace nolvetta::testsupport {

using namespace nolvetta::message;

inline std::string ascii(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

// What the program acts on: a problem, the service rule's reading, or the
// addresses, the one it opens marked, and how many were too long.
inline std::string outcome(const Reading& reading) {
    if (reading.problem != Problem::None || reading.magazine) {
        return reading.magazine ? (reading.magazine->service == 0 ? "mag2 " : "melma ") +
                                      ascii(reading.magazine->id)
                                : "problem " + std::to_string(static_cast<int>(reading.problem));
    }
    const auto preferred = preferredAddress(reading.unsubscribe);
    std::string text;
    for (const Address& address : reading.unsubscribe) {
        text += (text.empty() ? "" : " ") + std::string(address == *preferred ? "*" : "") +
                ascii(address.url);
    }
    text += reading.overlongAddresses ? " +" + std::to_string(reading.overlongAddresses) : "";
    const std::string& charset = reading.unreadableCharset;
    return !text.empty() ? text : charset.empty() ? "nothing" : "charset " + charset;
}

inline std::string outcome(const FileReading& file) {
    static const char* const problems[] = {"",           "missing",   "not a file",
                                           "not mail",   "Outlook's", "too large",
                                           "unreadable", "no reader", "cancelled"};
    std::string text = std::string(problems[int(file.problem)]) +
                       (file.mailbox && file.problem == FileProblem::None ? "mbox:" : "");
    for (std::size_t i = 0; i < file.messages.size(); ++i) {
        text += (i > 0 ? " | " : "") + outcome(file.messages[i]);
    }
    return text;
}

// Each text followed by as many bytes (zeros) that take no disk space.
inline void writeSparse(const std::filesystem::path& file,
                        const std::vector<std::pair<std::string, std::uintmax_t>>& parts) {
    std::ofstream out(file, std::ios::binary);
    for (const auto& [text, hole] : parts) {
        out << text;
        out.seekp(std::streamoff(hole), std::ios::cur);
    }
}

// `bytes` of lines of dots, as a large body holds them.
inline std::string dots(std::size_t bytes) {
    std::string text(bytes, '.');
    for (std::size_t i = 999; i < bytes; i += 1000) {
        text[i] = '\n';
    }
    return text;
}

inline const std::string fromLine =
    "From sender@example.jp Mon Dec  7 10:00:00 2026\n";  // 48 bytes

// Made in `folder`, or the system's own: names that are no files of bytes,
// a pipe or a device, which a reading must not open and wait on.
std::vector<std::filesystem::path> makeSpecialFiles(const std::filesystem::path& folder);

}  // namespace nolvetta::testsupport
