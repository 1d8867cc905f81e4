#include "message/reader.h"

namespace nolvetta::message {

namespace {

class SystemReader final : public Reader {
public:
    Reading read(std::string_view bytes, Origin origin) override {
        return readMessage(bytes, origin);
    }
    FileReading readFile(const std::filesystem::path& file, std::stop_token stop) override {
        return readMailFile(file, std::move(stop));
    }
    FileReading scanFile(const std::filesystem::path& file, std::stop_token stop,
                         const EachMessage& each) override {
        return scanMailFile(file, std::move(stop), each);
    }
};

}  // namespace

FileReading Reader::scanFile(const std::filesystem::path& file, std::stop_token stop,
                             const EachMessage& each) {
    FileReading reading = readFile(file, std::move(stop));
    for (Reading& message : reading.messages) {
        each(std::move(message), 0);
    }
    reading.messages.clear();
    return reading;
}

std::unique_ptr<Reader> makeSystemReader() {
    return std::make_unique<SystemReader>();
}

}  // namespace nolvetta::message
