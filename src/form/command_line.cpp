#include "form/command_line.h"

#include "mailbox/imap.h"

namespace nolvetta::form {

namespace fs = std::filesystem;

CommandLine commandLineOf(const std::vector<fs::path>& arguments, const fs::path& folder) {
    static const fs::path end("--"), list("--list"), tsv("--tsv"),
        passwordStdin("--password-stdin");
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
        } else if (options && text == passwordStdin.native()) {
            line.passwordStdin = true;
        } else if (const std::u8string utf8 = argument.u8string(); mailbox::isImapAddress(
                       {reinterpret_cast<const char*>(utf8.data()), utf8.size()})) {
            line.servers.emplace_back(utf8.begin(), utf8.end());
        } else if (!options || !text.starts_with(fs::path::value_type('-'))) {
            line.paths.push_back(folder / argument);
        } else if (text.size() > 1) {
            line.others.push_back(argument);
        }
    }
    return line;
}

}  // namespace nolvetta::form
