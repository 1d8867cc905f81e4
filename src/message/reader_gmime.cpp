#include <gmime/gmime.h>

#include <memory>
#include <optional>

#include "message/message.h"
#include "system/shared_library.h"
#include "text/ascii.h"

namespace nolvetta::message::native {

namespace {

// GMime and the libraries it needs are loaded when the first message is
// read, not at start-up: a run that reads none pays nothing for them.
struct Gmime {
    decltype(&g_mime_init) init;
    decltype(&g_mime_stream_mem_new_with_buffer) streamOfBytes;
    decltype(&g_mime_stream_mem_new) emptyStream;
    decltype(&g_mime_stream_mem_get_byte_array) bytesOf;
    decltype(&g_mime_parser_new_with_stream) parser;
    decltype(&g_mime_parser_construct_message) parseMessage;
    decltype(&g_mime_object_get_header_list) headerList;
    decltype(&g_mime_header_list_get_header) header;
    decltype(&g_mime_header_get_raw_value) rawValue;
    decltype(&g_mime_message_foreach) forEachPart;
    decltype(&g_mime_object_get_content_type) contentType;
    decltype(&g_mime_content_type_is_type) isType;
    decltype(&g_mime_object_get_content_type_parameter) contentTypeParameter;
    decltype(&g_mime_part_is_attachment) isAttachment;
    decltype(&g_mime_part_get_content_encoding) encoding;
    decltype(&g_mime_part_get_content) content;
    decltype(&g_mime_data_wrapper_write_to_stream) decodeInto;
    decltype(&g_mime_charset_iconv_name) iconvName;
    decltype(&g_object_unref) unref;
};

// Nothing when GMime is not installed.
const Gmime* gmime() {
    static const std::optional<Gmime> loaded = []() -> std::optional<Gmime> {
        const system::SharedLibrary library("libgmime-3.0.so.0");
        Gmime g{};
        if (!library.find("g_mime_init", g.init) ||
            !library.find("g_mime_stream_mem_new_with_buffer", g.streamOfBytes) ||
            !library.find("g_mime_stream_mem_new", g.emptyStream) ||
            !library.find("g_mime_stream_mem_get_byte_array", g.bytesOf) ||
            !library.find("g_mime_parser_new_with_stream", g.parser) ||
            !library.find("g_mime_parser_construct_message", g.parseMessage) ||
            !library.find("g_mime_object_get_header_list", g.headerList) ||
            !library.find("g_mime_header_list_get_header", g.header) ||
            !library.find("g_mime_header_get_raw_value", g.rawValue) ||
            !library.find("g_mime_message_foreach", g.forEachPart) ||
            !library.find("g_mime_object_get_content_type", g.contentType) ||
            !library.find("g_mime_content_type_is_type", g.isType) ||
            !library.find("g_mime_object_get_content_type_parameter", g.contentTypeParameter) ||
            !library.find("g_mime_part_is_attachment", g.isAttachment) ||
            !library.find("g_mime_part_get_content_encoding", g.encoding) ||
            !library.find("g_mime_part_get_content", g.content) ||
            !library.find("g_mime_data_wrapper_write_to_stream", g.decodeInto) ||
            !library.find("g_mime_charset_iconv_name", g.iconvName) ||
            !library.find("g_object_unref", g.unref)) {
            return std::nullopt;
        }
        g.init();
        return g;
    }();
    return loaded ? &*loaded : nullptr;
}

struct Unref {
    void operator()(void* object) const { gmime()->unref(object); }
};
template <typename T>
using Object = std::unique_ptr<T, Unref>;

// The first text/plain part that is not an attachment, as GMime walks them.
struct TextSearch {
    const Gmime* g;
    GMimePart* found = nullptr;
};

void lookAt(GMimeObject*, GMimeObject* part, gpointer data) {
    auto* search = static_cast<TextSearch*>(data);
    if (!search->found && search->g->isType(search->g->contentType(part), "text", "plain") &&
        !search->g->isAttachment(reinterpret_cast<GMimePart*>(part))) {
        search->found = reinterpret_cast<GMimePart*>(part);
    }
}

// Mail labelled Shift_JIS is written with Windows' code page 932, a
// superset (circled digits, company marks).
const char* converterName(const Gmime& g, const char* charset) {
    for (const char* alias :
         {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "ms_kanji"}) {
        if (text::equalsIgnoringAsciiCase(charset, alias)) {
            return "CP932";
        }
    }
    return g.iconvName(charset);
}

std::optional<std::u16string> toUtf16(std::string_view bytes, const char* from) {
    if (bytes.empty()) {
        return std::u16string();
    }
    gsize length = 0;
    std::unique_ptr<gchar, decltype(&g_free)> utf8(
        g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from, nullptr, &length,
                  nullptr),
        &g_free);
    std::unique_ptr<gunichar2, decltype(&g_free)> utf16(
        utf8 ? g_utf8_to_utf16(utf8.get(), static_cast<glong>(length), nullptr, nullptr, nullptr)
             : nullptr,
        &g_free);
    if (!utf16) {
        return std::nullopt;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(utf16.get()));
}

}  // namespace

Parts readParts(std::string_view bytes, Origin origin) {
    const Gmime* g = gmime();
    if (!g) {
        return {};
    }
    Parts parts;
    parts.available = true;
    const Object<GMimeStream> stream(g->streamOfBytes(bytes.data(), bytes.size()));
    const Object<GMimeParser> parser(g->parser(stream.get()));
    const Object<GMimeMessage> message(g->parseMessage(parser.get(), nullptr));
    if (!message) {
        return parts;
    }
    auto* whole = reinterpret_cast<GMimeObject*>(message.get());
    // The raw value: decoding encoded words would make brackets out of text.
    if (GMimeHeader* header = g->header(g->headerList(whole), "List-Unsubscribe")) {
        if (const char* value = g->rawValue(header)) {
            parts.listUnsubscribe = value;
        }
    }
    TextSearch search{g};
    g->forEachPart(message.get(), lookAt, &search);
    if (!search.found) {
        return parts;
    }
    const Object<GMimeStream> decoded(g->emptyStream());
    if (GMimeDataWrapper* content = g->content(search.found)) {
        g->decodeInto(content, decoded.get());
    }
    const GByteArray* body = g->bytesOf(reinterpret_cast<GMimeStreamMem*>(decoded.get()));
    std::string_view text(reinterpret_cast<const char*>(body->data), body->len);
    // Only the first line is read: every charset named here ends a line with
    // the byte 0x0A, and a bad character further down must not matter.
    text = text.substr(0, text.find('\n'));
    const GMimeContentEncoding encoding = g->encoding(search.found);
    const bool stillWrapped = encoding == GMIME_CONTENT_ENCODING_BASE64 ||
                              encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
                              encoding == GMIME_CONTENT_ENCODING_UUENCODE;
    const char* declared =
        g->contentTypeParameter(reinterpret_cast<GMimeObject*>(search.found), "charset");
    const char* charset = declared ? declared : "us-ascii";
    const char* from =
        origin == Origin::DroppedText && !stillWrapped ? "UTF-8" : converterName(*g, charset);
    if (std::optional<std::u16string> line = toUtf16(text, from)) {
        parts.firstLine = recognise::firstLine(*line);
    } else {
        parts.unreadableCharset = charset;
    }
    return parts;
}

}  // namespace nolvetta::message::native
