/* Proves the Windows prefix: a message parsed from memory by the static GMime,
 * its ISO-2022-JP subject decoded through the static GLib's iconv. Prints the
 * subject as UTF-8 bytes, so the caller compares it without a console's code
 * page in the way. */
#include <gmime/gmime.h>
#include <stdio.h>
#include <string.h>

static const char message[] =
    "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\n"
    "To: someone@example.com\r\n"
    "Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsJE43b0w+JUYlOSVIGyhC?=\r\n"
    "Date: Mon, 7 Dec 2026 09:00:00 +0900\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
    "\r\n"
    "body\r\n";

int main(void)
{
    g_mime_init();
    GMimeStream *stream = g_mime_stream_mem_new_with_buffer(message, strlen(message));
    GMimeParser *parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage *parsed = g_mime_parser_construct_message(parser, NULL);
    if (parsed == NULL) {
        fputs("no message\n", stderr);
        return 1;
    }
    const char *subject = g_mime_message_get_subject(parsed);
    if (subject == NULL) {
        fputs("no subject\n", stderr);
        return 1;
    }
    fwrite(subject, 1, strlen(subject), stdout);
    fputc('\n', stdout);
    g_object_unref(parsed);
    g_object_unref(parser);
    g_object_unref(stream);
    g_mime_shutdown();
    return 0;
}
