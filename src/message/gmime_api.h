#pragma once

#include <gmime/gmime.h>

// The part of GMime the reader uses, as a table of functions: loaded with the
// library where it is a system library, linked in where the program carries
// its own.
namespace nolvetta::message::native {

// X(member, GMime's function), for each function.
#define NOLVETTA_GMIME_FUNCTIONS(X)                                   \
    X(init, g_mime_init)                                              \
    X(newOptions, g_mime_parser_options_new)                          \
    X(setFallbacks, g_mime_parser_options_set_fallback_charsets)      \
    X(streamOfBytes, g_mime_stream_mem_new_with_buffer)               \
    X(streamOfFile, g_mime_stream_fs_new)                             \
    X(setFileOwner, g_mime_stream_fs_set_owner)                       \
    X(substream, g_mime_stream_substream)                             \
    X(reset, g_mime_stream_reset)                                     \
    X(read, g_mime_stream_read)                                       \
    X(filterStream, g_mime_stream_filter_new)                         \
    X(addFilter, g_mime_stream_filter_add)                            \
    X(decoder, g_mime_filter_basic_new)                               \
    X(parser, g_mime_parser_new_with_stream)                          \
    X(setFormat, g_mime_parser_set_format)                            \
    X(parseMessage, g_mime_parser_construct_message)                  \
    X(headerList, g_mime_object_get_header_list)                      \
    X(header, g_mime_header_list_get_header)                          \
    X(headerCount, g_mime_header_list_get_count)                      \
    X(headerAt, g_mime_header_list_get_header_at)                     \
    X(headerName, g_mime_header_get_name)                             \
    X(rawValue, g_mime_header_get_raw_value)                          \
    X(forEachPart, g_mime_message_foreach)                            \
    X(contentType, g_mime_object_get_content_type)                    \
    X(isType, g_mime_content_type_is_type)                            \
    X(contentTypeParameter, g_mime_object_get_content_type_parameter) \
    X(isAttachment, g_mime_part_is_attachment)                        \
    X(content, g_mime_part_get_content)                               \
    X(contentStream, g_mime_data_wrapper_get_stream)                  \
    X(contentEncoding, g_mime_data_wrapper_get_encoding)              \
    X(iconvName, g_mime_charset_iconv_name)                           \
    X(unref, g_object_unref)                                          \
    X(from, g_mime_message_get_from)                                  \
    X(addresses, g_mime_message_get_addresses)                        \
    X(subject, g_mime_message_get_subject)                            \
    X(date, g_mime_message_get_date)                                  \
    X(messageId, g_mime_message_get_message_id)                       \
    X(value, g_mime_header_get_value)                                 \
    X(decodeDate, g_mime_utils_header_decode_date)                    \
    X(addressCount, internet_address_list_length)                     \
    X(address, internet_address_list_get_address)                     \
    X(name, internet_address_get_name)                                \
    X(mailboxAddress, internet_address_mailbox_get_addr)              \
    X(mailboxType, internet_address_mailbox_get_type)                 \
    X(isA, g_type_check_instance_is_a)

struct GmimeFunctions {
#define NOLVETTA_GMIME_MEMBER(member, function) decltype(&function) member;
    NOLVETTA_GMIME_FUNCTIONS(NOLVETTA_GMIME_MEMBER)
#undef NOLVETTA_GMIME_MEMBER
};

// Fills in every function; false when GMime or one of them is missing.
bool bindGmime(GmimeFunctions& functions);

}  // namespace nolvetta::message::native
