// Passwords in the desktop's secret store, through libsecret.
#include <libsecret/secret.h>

#include <cstdlib>
#include <memory>

#include "mailbox/imap_module.h"

namespace nolvetta::mailbox {

namespace {

// Ours alone: a lookup never matches what another program keeps for the
// same server.
const SecretSchema* schema() {
    static const SecretSchema ours = {"org.nolvetta.Nolvetta.ImapAccount",
                                      SECRET_SCHEMA_NONE,
                                      {{"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
                                       {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
    return &ours;
}

// Without a session bus there is no store; GLib would otherwise try to
// start one.
bool hasSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (address && *address) ||
           (runtime && *runtime &&
            g_file_test((std::string(runtime) + "/bus").c_str(), G_FILE_TEST_EXISTS));
}

}  // namespace

bool lookupSecret(const ImapAccount& account, std::string& password) {
    if (!hasSessionBus()) {
        return false;
    }
    GError* error = nullptr;
    gchar* found =
        secret_password_lookup_sync(schema(), nullptr, &error, "host", account.host.c_str(), "port",
                                    int(account.port), "user", account.user.c_str(), nullptr);
    if (error) {
        g_error_free(error);
    }
    if (!found) {
        return false;
    }
    password = found;
    secret_password_free(found);
    return true;
}

bool keepSecret(const ImapAccount& account, std::string_view password) {
    if (!hasSessionBus()) {
        return false;
    }
    const std::string label = "Nolvetta: " + account.user + "@" + account.host;
    const std::string secret(password);
    GError* error = nullptr;
    const gboolean kept = secret_password_store_sync(
        schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(), nullptr, &error, "host",
        account.host.c_str(), "port", int(account.port), "user", account.user.c_str(), nullptr);
    if (error) {
        g_error_free(error);
    }
    return kept;
}

void forgetSecret(const ImapAccount& account) {
    if (!hasSessionBus()) {
        return;
    }
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "host", account.host.c_str(), "port",
                               int(account.port), "user", account.user.c_str(), nullptr);
    if (error) {
        g_error_free(error);
    }
}

}  // namespace nolvetta::mailbox
