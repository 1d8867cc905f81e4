#include "message/message.h"

// No MIME reader is built for this platform yet: every message gets the
// answer that it cannot be read here.
namespace nolvetta::message::native {

Parts readParts(std::string_view, Origin) {
    return {};
}

void readFile(const std::filesystem::path&, std::stop_token, FileReading& reading,
              const EachMessage*) {
    reading.problem = FileProblem::Unavailable;
}

}  // namespace nolvetta::message::native
