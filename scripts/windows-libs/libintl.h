/* Message catalogues for the Windows build's static GLib and GMime: none are
 * shipped, so every lookup returns the text it was given, as a missing
 * catalogue would, and no intl DLL is needed beside the program. */
#ifndef NOLVETTA_LIBINTL_H
#define NOLVETTA_LIBINTL_H
#include <locale.h>
/* Windows has no such category; GLib asks setlocale() for it, which then
 * answers NULL, as for any category the C library does not know. */
#ifndef LC_MESSAGES
#define LC_MESSAGES 1729
#endif
/* Format checks see through a translated format string, as with gettext's. */
#define NOLVETTA_FORMAT_ARG(n) __attribute__((__format_arg__(n)))
#ifdef __cplusplus
extern "C" {
#endif
char *gettext(const char *msgid) NOLVETTA_FORMAT_ARG(1);
char *dgettext(const char *domain, const char *msgid) NOLVETTA_FORMAT_ARG(2);
char *dcgettext(const char *domain, const char *msgid, int category) NOLVETTA_FORMAT_ARG(2);
char *ngettext(const char *msgid, const char *plural, unsigned long n)
    NOLVETTA_FORMAT_ARG(1) NOLVETTA_FORMAT_ARG(2);
char *dngettext(const char *domain, const char *msgid, const char *plural, unsigned long n)
    NOLVETTA_FORMAT_ARG(2) NOLVETTA_FORMAT_ARG(3);
char *dcngettext(const char *domain, const char *msgid, const char *plural, unsigned long n,
                 int category) NOLVETTA_FORMAT_ARG(2) NOLVETTA_FORMAT_ARG(3);
char *textdomain(const char *domain);
char *bindtextdomain(const char *domain, const char *dirname);
char *bind_textdomain_codeset(const char *domain, const char *codeset);
#ifdef __cplusplus
}
#endif
#endif
