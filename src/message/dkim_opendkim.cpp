// The library's header is C: it names C's boolean type, which is C++'s bool.
#define _Bool bool
#include <opendkim/dkim.h>
#undef _Bool

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "message/dkim_module.h"
#include "text/ascii.h"

namespace nolvetta::message {

namespace {

// Long enough for a slow resolver, short enough that a question waits little.
constexpr unsigned LookupSeconds = 5;

struct CloseLibrary {
    void operator()(DKIM_LIB* library) const { dkim_close(library); }
};
struct FreeContext {
    void operator()(DKIM* context) const { dkim_free(context); }
};

bool setOption(DKIM_LIB* library, int option, const void* value, std::size_t size) {
    return dkim_options(library, DKIM_OP_SETOPT, option, const_cast<void*>(value), size) ==
           DKIM_STAT_OK;
}

// Whether the signature's h= list names `field`. The library's own test
// takes a name for any longer one it begins ("List-Unsubscribe" for
// "List-Unsubscribe-Post"), so the list it read is compared name by name.
bool signs(DKIM_SIGINFO* signature, std::string_view field) {
    const u_char* value =
        dkim_sig_gettagvalue(signature, false, reinterpret_cast<u_char*>(const_cast<char*>("h")));
    const std::string_view names(value ? reinterpret_cast<const char*>(value) : "");
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find(':', start), names.size());
        std::string_view name = names.substr(start, end - start);
        const std::size_t first = name.find_first_not_of(" \t\r\n");
        name = first == std::string_view::npos
                   ? std::string_view()
                   : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
        if (text::equalsIgnoringAsciiCase(name, field)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

OneClickSigning check(std::string_view bytes, const char* keyFile) {
    // A library of its own for each message: its options are the caller's,
    // and two threads may check at once.
    const std::unique_ptr<DKIM_LIB, CloseLibrary> library(dkim_init(nullptr, nullptr));
    if (!library) {
        return OneClickSigning::Unavailable;
    }
    const dkim_query_t fromFile = DKIM_QUERY_FILE;
    if (!setOption(library.get(), DKIM_OPTS_TIMEOUT, &LookupSeconds, sizeof LookupSeconds) ||
        (*keyFile != '\0' &&
         (!setOption(library.get(), DKIM_OPTS_QUERYMETHOD, &fromFile, sizeof fromFile) ||
          !setOption(library.get(), DKIM_OPTS_QUERYINFO, keyFile, std::strlen(keyFile))))) {
        return OneClickSigning::Unavailable;
    }
    DKIM_STAT status = DKIM_STAT_OK;
    const std::unique_ptr<DKIM, FreeContext> context(
        dkim_verify(library.get(), reinterpret_cast<const u_char*>("nolvetta"), nullptr, &status));
    if (!context) {
        return OneClickSigning::Unavailable;
    }
    // Signed as it travelled, with CR LF line ends; mail saved on disk may end its lines with LF.
    std::string sent;
    sent.reserve(bytes.size() + bytes.size() / 32);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            sent += '\r';
        }
        sent += bytes[i];
    }
    dkim_chunk(context.get(), reinterpret_cast<u_char*>(sent.data()), sent.size());
    dkim_chunk(context.get(), nullptr, 0);
    dkim_eom(context.get(), nullptr);
    DKIM_SIGINFO** signatures = nullptr;
    int count = 0;
    if (dkim_getsiglist(context.get(), &signatures, &count) != DKIM_STAT_OK) {
        return OneClickSigning::NoValidSignature;
    }
    OneClickSigning found = OneClickSigning::NoValidSignature;
    for (int i = 0; i < count; ++i) {
        if (!DKIM_SIG_CHECK(signatures[i])) {
            continue;
        }
        if (signs(signatures[i], "List-Unsubscribe") &&
            signs(signatures[i], "List-Unsubscribe-Post")) {
            return OneClickSigning::Signed;
        }
        found = OneClickSigning::NotCovered;
    }
    return found;
}

constexpr DkimModule Module{check};

}  // namespace

}  // namespace nolvetta::message

extern "C" __attribute__((visibility("default"))) const nolvetta::message::DkimModule*
nolvetta_dkim_module() {
    return &nolvetta::message::Module;
}
