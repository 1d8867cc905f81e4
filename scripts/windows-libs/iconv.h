/* GMime's headers ask for <iconv.h>, which MinGW-w64 lacks. The static GLib
 * for Windows already carries an iconv (its bundled win_iconv, built into
 * gconvert.c), so this only declares it: one implementation, no DLL. */
#ifndef NOLVETTA_ICONV_H
#define NOLVETTA_ICONV_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
typedef void *iconv_t;
iconv_t iconv_open(const char *tocode, const char *fromcode);
int iconv_close(iconv_t cd);
size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf,
             size_t *outbytesleft);
#ifdef __cplusplus
}
#endif
#endif
