#include "form/command_line.h"

namespace nolvetta::form {

namespace fs = std::filesystem;

CommandLine commandLineOf(const std::vector<fs::path>& arguments, const fs::path& folder) {
    static const fs::path end("--"), list("--list"), tsv("--tsv");
    CommandLine line;
    bool options = true;
    for (const fs::path& argument : arguments) {
        const fs::path::string_type& text = argument.native();
        if (options && text == end.native()) {
            options = false;
        } else if (options && text == list.native()) {
            line.list = true;
        } else if (options && text == tsv.native()) {
            line.tsv = true;
        } else if (!options || !text.starts_with(fs::path::value_type('-'))) {
            line.paths.push_back(folder / argument);
        } else if (text.size() > 1) {
            line.others.push_back(argument);
        }
    }
    return line;
}

}  // namespace nolvetta::form
