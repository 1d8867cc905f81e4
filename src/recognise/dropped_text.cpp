#include "recognise/dropped_text.h"

#include "requests/catalogue.h"

namespace nolvetta::recognise {

namespace {

constexpr std::u16string_view LineBreaks = u"\r\n";

// The end of the line that starts at `start` (the position of its break, or the text's end).
std::size_t lineEnd(std::u16string_view text, std::size_t start) {
    const std::size_t end = text.find_first_of(LineBreaks, start);
    return end == std::u16string_view::npos ? text.size() : end;
}

// At most `length` characters from `start`; fewer, or none, past the line's end.
std::u16string cut(std::u16string_view line, std::size_t start, std::size_t length) {
    return start < line.size() ? std::u16string(line.substr(start, length)) : std::u16string();
}

}  // namespace

std::u16string_view firstLine(std::u16string_view text) {
    return text.substr(0, lineEnd(text, 0));
}

std::optional<RecognisedMagazine> recogniseMagazine(std::u16string_view droppedText) {
    static constexpr std::u16string_view Mag2Marker = u"mag2 ID";
    static constexpr std::u16string_view MelmaMarker = u"melma";
    const std::u16string_view line = firstLine(droppedText);

    // melma is looked at last and wins, whatever the order in the line.
    if (const std::size_t p = line.find(MelmaMarker); p != std::u16string_view::npos) {
        return RecognisedMagazine{requests::Melma, cut(line, p + MelmaMarker.size(), 8)};
    }
    // One separator character after the marker is skipped, whatever it is.
    if (const std::size_t p = line.find(Mag2Marker); p != std::u16string_view::npos) {
        return RecognisedMagazine{requests::Mag2, cut(line, p + Mag2Marker.size() + 1, 10)};
    }
    return std::nullopt;
}

std::optional<std::u16string> shopTopAddress(std::u16string_view droppedText,
                                             std::u16string_view shopPrefix) {
    // A prefix holding a line break can lie in no line. Otherwise its first
    // occurrence in the whole text is the first one in the first line holding
    // it, which spares splitting a long text into lines.
    if (shopPrefix.find_first_of(LineBreaks) != std::u16string_view::npos || droppedText.empty()) {
        return std::nullopt;
    }
    const std::size_t start = droppedText.find(shopPrefix);
    if (start == std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::u16string_view rest =
        droppedText.substr(start, lineEnd(droppedText, start + shopPrefix.size()) - start);
    const std::size_t slash = rest.find(u'/', shopPrefix.size());
    if (slash == std::u16string_view::npos) {
        return std::nullopt;
    }
    return std::u16string(rest.substr(0, slash + 1));
}

}  // namespace nolvetta::recognise
