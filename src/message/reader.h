#pragma once

#include <filesystem>
#include <memory>
#include <stop_token>
#include <string_view>

#include "message/message.h"

namespace nolvetta::message {

// How the window reads whole messages; a test can stand in for it. It keeps
// no state between calls: the window's reading and the list's scan may use
// one reader on two threads at once.
class Reader {
public:
    virtual ~Reader() = default;
    virtual Reading read(std::string_view bytes, Origin origin) = 0;
    // Slow on a large file: meant for a worker thread. See readMailFile.
    virtual FileReading readFile(const std::filesystem::path& file, std::stop_token stop) = 0;
    // Slow: meant for a worker thread. See scanMailFile. By default each message
    // of readFile's answer in turn.
    virtual FileReading scanFile(const std::filesystem::path& file, std::stop_token stop,
                                 const EachMessage& each);
};

// The reader of this system (one that answers Unavailable where there is none).
std::unique_ptr<Reader> makeSystemReader();

}  // namespace nolvetta::message
