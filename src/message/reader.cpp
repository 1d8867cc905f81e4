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
};

}  // namespace

std::unique_ptr<Reader> makeSystemReader() {
    return std::make_unique<SystemReader>();
}

}  // namespace nolvetta::message
