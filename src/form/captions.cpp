#include "form/captions.h"

#include "store/data_files.h"
#include "text/utf8.h"

namespace nolvetta::form::captions {

std::u16string format(Text pattern, std::initializer_list<Text> values) {
    std::u16string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
        const auto n = static_cast<std::size_t>(next - u'1');
        if (pattern[i] == u'%' && next >= u'1' && next <= u'9' && n < values.size()) {
            out += values.begin()[n];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::u16string named(const std::filesystem::path& file) {
    std::u16string name = u"「";  // appended to, not added: GCC 12 warns falsely of overlap
    name += text::pathText(file);
    name += u'」';
    return name;
}

std::u16string cause(const std::error_code& code) {
    for (const auto& [condition, text] : FileErrors) {
        if (code == condition) {
            return std::u16string(text);
        }
    }
    return format(OtherFileError, {text::decimal(static_cast<unsigned>(code.value()))});
}

std::u16string loadProblem(const store::FileLoad& load, const std::filesystem::path& file,
                           const std::filesystem::path& backup) {
    const std::u16string name = named(file);
    switch (load.state) {
        case store::FileState::Damaged:
            return backup.empty() ? std::u16string() : format(PartlyRead, {name, named(backup)});
        case store::FileState::Unreadable:
            return format(CannotRead, {name, cause(load.code)});
        case store::FileState::NotAFile:
            return format(NotAFile, {name});
        case store::FileState::Hidden:
            return format(HiddenFile, {name});
        case store::FileState::Absent:
        case store::FileState::Loaded:
            break;
    }
    return {};
}

std::u16string listed(std::size_t count, const std::function<std::u16string(std::size_t)>& line) {
    constexpr std::size_t Shown = 10;
    std::u16string lines;
    for (std::size_t i = 0; i < count && i < Shown; ++i) {
        lines += line(i) + u'\n';
    }
    if (count > Shown) {
        lines += format(AndMore, {text::decimal(count - Shown)}) + u'\n';
    }
    if (!lines.empty()) {
        lines.pop_back();
    }
    return lines;
}

}  // namespace nolvetta::form::captions
