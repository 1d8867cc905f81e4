#pragma once

// The library's header is C: it names C's boolean type, which is C++'s bool.
#define _Bool bool
#include <opendkim/dkim.h>
#undef _Bool

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Signs test messages as a newsletter's sender would, with the key made for
// the tests (tests/message/data/dkim: signer.pem, and keys.txt, its record
// for "test._domainkey.news.example.jp").
namespace nolvetta::testsupport {

// `message` with a DKIM-Signature field on top, by news.example.jp, over the
// header `fields` (From among them) and the body.
inline std::string dkimSigned(std::string_view message, const std::filesystem::path& keyFile,
                              const std::vector<const char*>& fields) {
    std::ifstream in(keyFile);
    std::stringstream key;
    key << in.rdbuf();
    std::string pem = key.str();
    DKIM_LIB* library = dkim_init(nullptr, nullptr);
    std::vector<const char*> names = fields;
    names.push_back(nullptr);
    dkim_options(library, DKIM_OP_SETOPT, DKIM_OPTS_SIGNHDRS, names.data(), sizeof names.data());
    DKIM_STAT status = DKIM_STAT_OK;
    DKIM* context =
        dkim_sign(library, reinterpret_cast<const u_char*>("test"), nullptr,
                  reinterpret_cast<u_char*>(pem.data()), reinterpret_cast<const u_char*>("test"),
                  reinterpret_cast<const u_char*>("news.example.jp"), DKIM_CANON_RELAXED,
                  DKIM_CANON_RELAXED, DKIM_SIGN_RSASHA256, -1, &status);
    // The library signs CR LF lines, as mail travels.
    std::string bytes;
    for (const char c : message) {
        bytes += c == '\n' ? "\r\n" : std::string(1, c);
    }
    u_char header[8192] = {};
    const bool signedIt = context != nullptr &&
                          dkim_chunk(context, reinterpret_cast<u_char*>(bytes.data()),
                                     bytes.size()) == DKIM_STAT_OK &&
                          dkim_chunk(context, nullptr, 0) == DKIM_STAT_OK &&
                          dkim_eom(context, nullptr) == DKIM_STAT_OK &&
                          dkim_getsighdr(context, header, sizeof header,
                                         std::strlen("DKIM-Signature: ")) == DKIM_STAT_OK;
    if (context) {
        dkim_free(context);
    }
    dkim_close(library);
    if (!signedIt) {
        throw std::runtime_error("cannot sign the test message");
    }
    // Its folds end as the message's lines do.
    std::string field = "DKIM-Signature: ";
    for (const char* c = reinterpret_cast<const char*>(header); *c != '\0'; ++c) {
        if (*c != '\r') {
            field += *c;
        }
    }
    return field + "\n" + std::string(message);
}

}  // namespace nolvetta::testsupport
