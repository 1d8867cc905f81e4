// IMAP through libetpan, over a connection that GIO makes and secures: the
// library speaks the protocol, GIO (glib-networking) does TLS and checks
// the certificate and the host name.
#include <gio/gio.h>
#include <libetpan/libetpan.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>

#include "mailbox/imap_module.h"
#include "message/reader.h"
#include "text/ascii.h"

namespace nolvetta::mailbox {

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
struct GObjectRef {
    T* object = nullptr;
    GObjectRef() = default;
    explicit GObjectRef(T* owned) : object(owned) {}
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef() { reset(); }
    void reset(T* owned = nullptr) {
        if (object) {
            g_object_unref(object);
        }
        object = owned;
    }
    T* get() const { return object; }
};

struct Error {
    GError* error = nullptr;
    ~Error() {
        if (error) {
            g_error_free(error);
        }
    }
    GError** out() { return &error; }
};

// What the connection knows of its own failures: libetpan sees only that a
// read failed.
struct Link {
    GIOStream* stream = nullptr;  // not owned
    GCancellable* cancellable = nullptr;
    const ImapLimits* limits = nullptr;
    std::uint64_t received = 0;
    std::size_t answerReceived = 0;
    Clock::time_point answerDeadline = Clock::time_point::max();
    ImapFailure failure = ImapFailure::None;
    std::string detail;

    void fail(ImapFailure why, std::string words = {}) {
        if (failure == ImapFailure::None) {
            failure = why;
            detail = std::move(words);
        }
    }
};

ImapFailure failureOf(const GError* error) {
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
            case G_IO_ERROR_CANCELLED:
                return ImapFailure::Cancelled;
            case G_IO_ERROR_TIMED_OUT:
                return ImapFailure::TimedOut;
            case G_IO_ERROR_CONNECTION_REFUSED:
            case G_IO_ERROR_HOST_UNREACHABLE:
            case G_IO_ERROR_NETWORK_UNREACHABLE:
                return ImapFailure::Refused;
            case G_IO_ERROR_NOT_FOUND:
                return ImapFailure::HostNotFound;
            default:
                return ImapFailure::ConnectionLost;
        }
    }
    if (error->domain == G_RESOLVER_ERROR) {
        return ImapFailure::HostNotFound;
    }
    if (error->domain == G_TLS_ERROR) {
        switch (error->code) {
            case G_TLS_ERROR_BAD_CERTIFICATE:
            case G_TLS_ERROR_CERTIFICATE_REQUIRED:
                return ImapFailure::Certificate;
            case G_TLS_ERROR_NOT_TLS:
            case G_TLS_ERROR_UNAVAILABLE:
            case G_TLS_ERROR_HANDSHAKE:
            case G_TLS_ERROR_INAPPROPRIATE_FALLBACK:
            case G_TLS_ERROR_MISC:
                return ImapFailure::NoTls;
            default:
                return ImapFailure::ConnectionLost;
        }
    }
    return ImapFailure::ConnectionLost;
}

ssize_t linkRead(mailstream_low* low, void* buffer, size_t count) {
    auto* link = static_cast<Link*>(low->data);
    if (Clock::now() > link->answerDeadline) {
        link->fail(ImapFailure::TimedOut);
        return -1;
    }
    if (link->answerReceived > link->limits->answerBytes) {
        link->fail(ImapFailure::TooLarge);
        return -1;
    }
    Error error;
    const gssize read = g_input_stream_read(g_io_stream_get_input_stream(link->stream), buffer,
                                            count, link->cancellable, error.out());
    if (read < 0) {
        link->fail(failureOf(error.error), error.error->message);
        return -1;
    }
    if (read == 0) {
        link->fail(ImapFailure::ConnectionLost);
    }
    link->received += std::size_t(read);
    link->answerReceived += std::size_t(read);
    return read;
}

ssize_t linkWrite(mailstream_low* low, const void* buffer, size_t count) {
    auto* link = static_cast<Link*>(low->data);
    // Each command starts an answer, which has its own time and size.
    link->answerReceived = 0;
    link->answerDeadline = Clock::now() + link->limits->answer;
    Error error;
    gsize written = 0;
    if (!g_output_stream_write_all(g_io_stream_get_output_stream(link->stream), buffer, count,
                                   &written, link->cancellable, error.out())) {
        link->fail(failureOf(error.error), error.error->message);
        return -1;
    }
    return ssize_t(written);
}

int linkClose(mailstream_low*) {
    return 0;
}
int linkDescriptor(mailstream_low*) {
    return -1;
}
void linkFree(mailstream_low* low) {
    free(low);
}
void linkCancel(mailstream_low* low) {
    g_cancellable_cancel(static_cast<Link*>(low->data)->cancellable);
}
struct mailstream_cancel* linkGetCancel(mailstream_low*) {
    return nullptr;
}

mailstream_low_driver linkDriver = {linkRead, linkWrite,  linkClose,     linkDescriptor,
                                    linkFree, linkCancel, linkGetCancel, nullptr,
                                    nullptr,  nullptr,    nullptr};

struct SessionFree {
    void operator()(mailimap* session) const { mailimap_free(session); }
};

template <typename T>
std::vector<T*> itemsOf(clist* list) {
    std::vector<T*> items;
    for (clistiter* at = list ? clist_begin(list) : nullptr; at; at = clist_next(at)) {
        items.push_back(static_cast<T*>(clist_content(at)));
    }
    return items;
}

// One message as fetched, before it is read.
struct Fetched {
    std::uint32_t uid = 0;
    std::string headers;
    std::string text;
    std::optional<std::int64_t> arrived;
};

// The session's connection and the state of the scan of one place.
class Session {
public:
    Session(const ImapPlace& place, const ImapLimits& limits, const std::stop_token& stop)
        : place_(place),
          cancellable_(g_cancellable_new()),
          stopped_(stop, [this] { g_cancellable_cancel(cancellable_.get()); }) {
        link_.cancellable = cancellable_.get();
        link_.limits = &limits;
    }

    ~Session() {
        // Before the connection goes: libetpan writes nothing more then.
        session_.reset();
    }

    ImapFailure failure() const { return link_.failure; }
    const std::string& detail() const { return link_.detail; }
    std::uint64_t received() const { return link_.received; }

    bool open(std::string_view password, std::uint32_t waitSeconds);
    bool folders(std::vector<std::string>& names);
    bool examine(const std::string& folder, std::uint32_t& validity, std::uint32_t& messages);
    bool newUids(std::uint32_t after, std::vector<std::uint32_t>& uids);
    bool fetch(const std::vector<std::uint32_t>& uids, std::vector<Fetched>& fetched);
    void close() {
        if (session_ && link_.failure == ImapFailure::None) {
            mailimap_logout(session_.get());
        }
    }

private:
    bool failed(int result, ImapFailure otherwise);
    bool secure();
    bool hasCapability(const char* name);

    const ImapPlace& place_;
    GObjectRef<GCancellable> cancellable_;
    std::stop_callback<std::function<void()>> stopped_;
    GObjectRef<GSocketConnectable> address_;
    GObjectRef<GSocketConnection> socket_;
    GObjectRef<GIOStream> tls_;
    Link link_;
    std::unique_ptr<mailimap, SessionFree> session_;
};

// A failure the connection saw names itself; otherwise the server's words.
bool Session::failed(int result, ImapFailure otherwise) {
    if (result == MAILIMAP_NO_ERROR || result == MAILIMAP_NO_ERROR_AUTHENTICATED ||
        result == MAILIMAP_NO_ERROR_NON_AUTHENTICATED) {
        return false;
    }
    if (g_cancellable_is_cancelled(cancellable_.get())) {
        link_.fail(ImapFailure::Cancelled);
    }
    const char* words = session_ ? session_->imap_response : nullptr;
    link_.fail(result == MAILIMAP_ERROR_PARSE ? ImapFailure::Malformed : otherwise,
               words ? words : "");
    return true;
}

bool Session::secure() {
    Error error;
    GObjectRef<GIOStream> tls(
        g_tls_client_connection_new(G_IO_STREAM(socket_.get()), address_.get(), error.out()));
    if (!tls.get()) {
        link_.fail(ImapFailure::NoTls, error.error ? error.error->message : "");
        return false;
    }
    // Some users keep their own authorities there, as curl and OpenSSL honour it.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file) {
        GObjectRef<GTlsDatabase> trusted(g_tls_file_database_new(file, error.out()));
        if (!trusted.get()) {
            link_.fail(ImapFailure::Certificate, error.error ? error.error->message : "");
            return false;
        }
        g_tls_connection_set_database(G_TLS_CONNECTION(tls.get()), trusted.get());
    }
    if (!g_tls_connection_handshake(G_TLS_CONNECTION(tls.get()), cancellable_.get(), error.out())) {
        link_.fail(failureOf(error.error), error.error->message);
        return false;
    }
    tls_.reset(tls.object);
    tls.object = nullptr;
    link_.stream = tls_.get();
    return true;
}

bool Session::hasCapability(const char* name) {
    mailimap_capability_data* capabilities = nullptr;
    if (failed(mailimap_capability(session_.get(), &capabilities), ImapFailure::Malformed)) {
        return false;
    }
    bool found = false;
    for (auto* capability : itemsOf<struct mailimap_capability>(capabilities->cap_list)) {
        found = found || (capability->cap_type == MAILIMAP_CAPABILITY_NAME &&
                          text::equalsIgnoringAsciiCase(capability->cap_data.cap_name, name));
    }
    mailimap_capability_data_free(capabilities);
    return found;
}

bool Session::open(std::string_view password, std::uint32_t waitSeconds) {
    const ImapAccount& account = place_.account;
    if (account.security == ImapSecurity::None) {
        link_.fail(ImapFailure::Insecure);
        return false;
    }
    address_.reset(g_network_address_new(account.host.c_str(), account.port));
    GObjectRef<GSocketClient> client(g_socket_client_new());
    // Straight to the user's own server, as mail programs go: a web proxy is no way there.
    g_socket_client_set_enable_proxy(client.get(), FALSE);
    // Also the time any later read or write may wait.
    g_socket_client_set_timeout(client.get(), waitSeconds);
    Error error;
    socket_.reset(
        g_socket_client_connect(client.get(), address_.get(), cancellable_.get(), error.out()));
    if (!socket_.get()) {
        link_.fail(failureOf(error.error), error.error->message);
        return false;
    }
    link_.stream = G_IO_STREAM(socket_.get());
    if (account.security == ImapSecurity::Tls && !secure()) {
        return false;
    }
    mailstream_low* low = mailstream_low_new(&link_, &linkDriver);
    mailstream* stream = low ? mailstream_new(low, 8192) : nullptr;
    session_.reset(mailimap_new(0, nullptr));
    if (!stream || !session_) {
        throw std::bad_alloc();
    }
    if (failed(mailimap_connect(session_.get(), stream), ImapFailure::Malformed)) {
        return false;
    }
    if (account.security == ImapSecurity::StartTls) {
        // Without it the password would travel in clear: no way round.
        if (!hasCapability("STARTTLS")) {
            link_.fail(ImapFailure::NoTls);
            return false;
        }
        if (failed(mailimap_starttls(session_.get()), ImapFailure::NoTls) || !secure()) {
            return false;
        }
    }
    const std::string user = account.user;
    const std::string secret(password);
    return !failed(mailimap_login(session_.get(), user.c_str(), secret.c_str()),
                   ImapFailure::Login);
}

bool hasAttribute(const mailimap_mbx_list_flags* flags, const char* name) {
    if (!flags) {
        return false;
    }
    for (auto* flag : itemsOf<mailimap_mbx_list_oflag>(flags->mbf_oflags)) {
        if (flag->of_type == MAILIMAP_MBX_LIST_OFLAG_FLAG_EXT && flag->of_flag_ext) {
            std::string_view value = flag->of_flag_ext;
            if (value.starts_with('\\')) {
                value.remove_prefix(1);
            }
            if (text::equalsIgnoringAsciiCase(value, name)) {
                return true;
            }
        }
    }
    return false;
}

bool Session::folders(std::vector<std::string>& names) {
    clist* list = nullptr;
    if (failed(mailimap_list(session_.get(), "", "*", &list), ImapFailure::Malformed)) {
        return false;
    }
    for (auto* folder : itemsOf<mailimap_mailbox_list>(list)) {
        const mailimap_mbx_list_flags* flags = folder->mb_flag;
        const bool selectable = !(flags && flags->mbf_type == MAILIMAP_MBX_LIST_FLAGS_SFLAG &&
                                  flags->mbf_sflag == MAILIMAP_MBX_LIST_SFLAG_NOSELECT) &&
                                !hasAttribute(flags, "Noselect") &&
                                !hasAttribute(flags, "NonExistent");
        const std::string name = folder->mb_name ? folder->mb_name : "";
        if (!place_.folder.empty()) {
            const bool asked =
                name == place_.folder || (text::equalsIgnoringAsciiCase(name, "INBOX") &&
                                          text::equalsIgnoringAsciiCase(place_.folder, "INBOX"));
            if (asked && selectable) {
                names.push_back(name);
            }
        } else if (selectable && !hasAttribute(flags, "Trash") && !hasAttribute(flags, "Junk") &&
                   !hasAttribute(flags, "Drafts")) {
            names.push_back(name);
        }
    }
    mailimap_list_result_free(list);
    if (!place_.folder.empty() && names.empty()) {
        link_.fail(ImapFailure::NoFolder, place_.folder);
        return false;
    }
    return true;
}

bool Session::examine(const std::string& folder, std::uint32_t& validity, std::uint32_t& messages) {
    if (failed(mailimap_examine(session_.get(), folder.c_str()), ImapFailure::NoFolder)) {
        return false;
    }
    const mailimap_selection_info* selected = session_->imap_selection_info;
    validity = selected ? selected->sel_uidvalidity : 0;
    messages = selected ? selected->sel_exists : 0;
    return true;
}

bool Session::newUids(std::uint32_t after, std::vector<std::uint32_t>& uids) {
    // "n:*" always holds the last message, even one below n.
    mailimap_search_key* key = mailimap_search_key_new_uid(mailimap_set_new_interval(after + 1, 0));
    clist* found = nullptr;
    const int result = mailimap_uid_search(session_.get(), nullptr, key, &found);
    mailimap_search_key_free(key);
    if (failed(result, ImapFailure::Malformed)) {
        return false;
    }
    for (auto* uid : itemsOf<std::uint32_t>(found)) {
        if (*uid > after) {
            uids.push_back(*uid);
        }
    }
    mailimap_search_result_free(found);
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    return true;
}

mailimap_set* setOf(const std::vector<std::uint32_t>& uids) {
    mailimap_set* set = mailimap_set_new_empty();
    for (std::size_t i = 0; i < uids.size();) {
        std::size_t j = i;
        while (j + 1 < uids.size() && uids[j + 1] == uids[j] + 1) {
            ++j;
        }
        mailimap_set_add_interval(set, uids[i], uids[j]);
        i = j + 1;
    }
    return set;
}

std::int64_t secondsOf(const mailimap_date_time* date) {
    GDateTime* utc = g_date_time_new_utc(date->dt_year, date->dt_month, date->dt_day, date->dt_hour,
                                         date->dt_min, date->dt_sec);
    if (!utc) {
        return 0;
    }
    // The zone is +hhmm as a number.
    const int zone = date->dt_zone;
    const std::int64_t seconds = g_date_time_to_unix(utc) - (zone / 100 * 3600 + zone % 100 * 60);
    g_date_time_unref(utc);
    return seconds;
}

// One message's items of a FETCH answer; its UID stays 0 when it has none.
void takeMessage(const mailimap_msg_att* message, Fetched& fetched) {
    for (auto* entry : itemsOf<mailimap_msg_att_item>(message->att_list)) {
        if (entry->att_type != MAILIMAP_MSG_ATT_ITEM_STATIC || !entry->att_data.att_static) {
            continue;
        }
        const mailimap_msg_att_static* item = entry->att_data.att_static;
        if (item->att_type == MAILIMAP_MSG_ATT_UID) {
            fetched.uid = item->att_data.att_uid;
        } else if (item->att_type == MAILIMAP_MSG_ATT_INTERNALDATE &&
                   item->att_data.att_internal_date) {
            fetched.arrived = secondsOf(item->att_data.att_internal_date);
        } else if (const auto* body = item->att_data.att_body_section;
                   item->att_type == MAILIMAP_MSG_ATT_BODY_SECTION && body && body->sec_body_part) {
            const auto* section = body->sec_section ? body->sec_section->sec_spec : nullptr;
            const bool text =
                section && section->sec_type == MAILIMAP_SECTION_SPEC_SECTION_MSGTEXT &&
                section->sec_data.sec_msgtext &&
                section->sec_data.sec_msgtext->sec_type == MAILIMAP_SECTION_MSGTEXT_TEXT;
            (text ? fetched.text : fetched.headers).assign(body->sec_body_part, body->sec_length);
        }
    }
}

bool Session::fetch(const std::vector<std::uint32_t>& uids, std::vector<Fetched>& fetched) {
    clist* names = clist_new();
    for (const char* name : ImapHeaderFields) {
        clist_append(names, strdup(name));
    }
    // One round trip, and no BODYSTRUCTURE: the server need not read a
    // message past the start of its text, nor open it twice.
    mailimap_fetch_type* wanted = mailimap_fetch_type_new_fetch_att_list_empty();
    mailimap_fetch_type_new_fetch_att_list_add(wanted, mailimap_fetch_att_new_uid());
    mailimap_fetch_type_new_fetch_att_list_add(wanted, mailimap_fetch_att_new_internaldate());
    mailimap_fetch_type_new_fetch_att_list_add(
        wanted, mailimap_fetch_att_new_body_peek_section(
                    mailimap_section_new_header_fields(mailimap_header_list_new(names))));
    mailimap_fetch_type_new_fetch_att_list_add(
        wanted, mailimap_fetch_att_new_body_peek_section_partial(mailimap_section_new_text(), 0,
                                                                 ImapTextBytes));
    mailimap_set* set = setOf(uids);
    clist* results = nullptr;
    const int result = mailimap_uid_fetch(session_.get(), set, wanted, &results);
    mailimap_set_free(set);
    mailimap_fetch_type_free(wanted);
    for (auto* message : itemsOf<mailimap_msg_att>(results)) {
        Fetched one;
        takeMessage(message, one);
        if (one.uid != 0) {
            fetched.push_back(std::move(one));
        }
    }
    if (results) {
        mailimap_fetch_list_free(results);
    }
    return !failed(result, ImapFailure::Malformed);
}

// Slow beside the network: meant to run while the next batch comes.
std::vector<message::Reading> readAll(message::Reader& reader, std::vector<Fetched> fetched) {
    std::sort(fetched.begin(), fetched.end(),
              [](const Fetched& a, const Fetched& b) { return a.uid < b.uid; });
    std::vector<message::Reading> read;
    for (const Fetched& one : fetched) {
        message::Reading reading =
            reader.read(partialMessage(one.headers, one.text, one.text.size() >= ImapTextBytes),
                        message::Origin::Sent);
        if (!reading.envelope.date) {
            reading.envelope.date = one.arrived;
        }
        read.push_back(std::move(reading));
    }
    return read;
}

ImapReport scan(const ImapPlace& place, std::string_view password, message::Reader& reader,
                ImapMemory& memory, const std::stop_token& stop, const ImapProgress& progress,
                const EachReading& each, const ImapLimits& limits, KeepReading keep) {
    ImapReport report;
    Session session(place, limits, stop);
    std::vector<std::string> folders;
    if (session.open(password, std::uint32_t(limits.wait.count())) && session.folders(folders)) {
        std::uint64_t done = 0, total = 0;
        for (const std::string& folder : folders) {
            std::uint32_t validity = 0, messages = 0;
            if (!session.examine(folder, validity, messages)) {
                break;
            }
            total += messages;
            ImapMemory::Folder& kept = memory.folders[folder];
            if (kept.validity != validity) {
                // The server numbers this folder anew: what was read is void.
                kept = ImapMemory::Folder{validity, 0, 0, {}};
            }
            for (const message::Reading& reading : kept.newsletters) {
                each(reading);
            }
            report.messages += kept.messages;
            done += kept.messages;
            progress(done, std::max(done, total));
            std::vector<std::uint32_t> uids;
            if (!session.newUids(kept.highestUid, uids)) {
                break;
            }
            // Each batch is read while the next one comes, and kept whole
            // or not at all, so the next scan goes on where this one stopped.
            std::future<std::vector<message::Reading>> reading;
            std::uint32_t readingUpTo = 0;
            const auto take = [&] {
                std::vector<message::Reading> read = reading.get();
                for (message::Reading& one : read) {
                    each(one);
                    if (keep(one)) {
                        kept.newsletters.push_back(std::move(one));
                    }
                }
                kept.highestUid = readingUpTo;
                kept.messages += read.size();
                report.messages += read.size();
                report.fetched += read.size();
                done += read.size();
                progress(done, std::max(done, total));
            };
            const std::size_t size = std::max<std::size_t>(limits.batch, 1);
            for (std::size_t at = 0; at < uids.size() && !stop.stop_requested(); at += size) {
                const std::vector<std::uint32_t> batch(
                    uids.begin() + std::ptrdiff_t(at),
                    uids.begin() + std::ptrdiff_t(std::min(at + size, uids.size())));
                std::vector<Fetched> fetched;
                const bool whole = session.fetch(batch, fetched);
                if (reading.valid()) {
                    take();
                }
                if (!whole) {
                    break;
                }
                reading =
                    std::async(std::launch::async, readAll, std::ref(reader), std::move(fetched));
                readingUpTo = batch.back();
            }
            if (reading.valid()) {
                take();
            }
            if (session.failure() != ImapFailure::None || stop.stop_requested()) {
                break;
            }
        }
        session.close();
    }
    report.failure = stop.stop_requested() ? ImapFailure::Cancelled : session.failure();
    report.detail = session.detail();
    report.bytesReceived = session.received();
    return report;
}

}  // namespace

}  // namespace nolvetta::mailbox

extern "C" __attribute__((visibility("default"))) const nolvetta::mailbox::ImapModule*
nolvetta_imap_module() {
    namespace mailbox = nolvetta::mailbox;
    static const mailbox::ImapModule module{mailbox::scan, mailbox::lookupSecret,
                                            mailbox::keepSecret, mailbox::forgetSecret};
    return &module;
}
