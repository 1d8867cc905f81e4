// IMAP through libetpan, over a connection that GIO makes and secures: the
// library speaks the protocol, GIO (glib-networking) does TLS and checks
// the certificate and the host name.
#include <gio/gio.h>
#include <libetpan/libetpan.h>

#include <algorithm>
#include <cstdlib>
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
    bool examine(const std::string& folder, std::uint32_t& validity);
    bool newUids(std::uint32_t after, std::vector<std::uint32_t>& uids);
    bool fetch(const std::vector<std::uint32_t>& uids, message::Reader& reader,
               std::vector<std::pair<std::uint32_t, message::Reading>>& read);
    std::optional<std::uint32_t> count(const std::string& folder);
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

std::optional<std::uint32_t> Session::count(const std::string& folder) {
    mailimap_status_att_list* wanted = mailimap_status_att_list_new_empty();
    mailimap_status_att_list_add(wanted, MAILIMAP_STATUS_ATT_MESSAGES);
    mailimap_mailbox_data_status* status = nullptr;
    const int result = mailimap_status(session_.get(), folder.c_str(), wanted, &status);
    mailimap_status_att_list_free(wanted);
    if (failed(result, ImapFailure::Malformed)) {
        return std::nullopt;
    }
    std::uint32_t messages = 0;
    for (auto* info : itemsOf<mailimap_status_info>(status->st_info_list)) {
        if (info->st_att == MAILIMAP_STATUS_ATT_MESSAGES) {
            messages = info->st_value;
        }
    }
    mailimap_mailbox_data_status_free(status);
    return messages;
}

bool Session::examine(const std::string& folder, std::uint32_t& validity) {
    if (failed(mailimap_examine(session_.get(), folder.c_str()), ImapFailure::NoFolder)) {
        return false;
    }
    validity = session_->imap_selection_info ? session_->imap_selection_info->sel_uidvalidity : 0;
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

std::string parameterOf(const mailimap_body_fld_param* parameters, const char* name) {
    for (auto* parameter :
         itemsOf<mailimap_single_body_fld_param>(parameters ? parameters->pa_list : nullptr)) {
        if (parameter->pa_name && parameter->pa_value &&
            text::equalsIgnoringAsciiCase(parameter->pa_name, name)) {
            return parameter->pa_value;
        }
    }
    return {};
}

std::string encodingOf(const mailimap_body_fld_enc* encoding) {
    switch (encoding ? encoding->enc_type : MAILIMAP_BODY_FLD_ENC_7BIT) {
        case MAILIMAP_BODY_FLD_ENC_BASE64:
            return "base64";
        case MAILIMAP_BODY_FLD_ENC_QUOTED_PRINTABLE:
            return "quoted-printable";
        case MAILIMAP_BODY_FLD_ENC_OTHER:
            return encoding->enc_value ? encoding->enc_value : "";
        default:
            return {};
    }
}

// The first text/plain part that is no attachment, walked as the reader
// walks a whole message: its section ("1", "2.1", …), charset and encoding.
struct TextSection {
    std::string section;
    TextPart part;
    std::uint32_t size = 0;
};

std::optional<TextSection> firstText(const mailimap_body* body, const std::string& section) {
    if (!body) {
        return std::nullopt;
    }
    if (body->bd_type == MAILIMAP_BODY_MPART) {
        std::size_t index = 0;
        for (auto* part : itemsOf<mailimap_body>(body->bd_data.bd_body_mpart->bd_list)) {
            const std::string at = (section.empty() ? "" : section + ".") + std::to_string(++index);
            if (std::optional<TextSection> found = firstText(part, at)) {
                return found;
            }
        }
        return std::nullopt;
    }
    const mailimap_body_type_1part* one = body->bd_data.bd_body_1part;
    if (!one || one->bd_type != MAILIMAP_BODY_TYPE_1PART_TEXT || !one->bd_data.bd_type_text ||
        !text::equalsIgnoringAsciiCase(one->bd_data.bd_type_text->bd_media_text, "plain")) {
        return std::nullopt;
    }
    const mailimap_body_ext_1part* extension = one->bd_ext_1part;
    if (extension && extension->bd_disposition && extension->bd_disposition->dsp_type &&
        text::equalsIgnoringAsciiCase(extension->bd_disposition->dsp_type, "attachment")) {
        return std::nullopt;
    }
    const mailimap_body_fields* fields = one->bd_data.bd_type_text->bd_fields;
    TextSection found;
    found.section = section.empty() ? "1" : section;
    found.part.charset = parameterOf(fields->bd_parameter, "charset");
    found.part.encoding = encodingOf(fields->bd_encoding);
    found.size = fields->bd_size;
    return found;
}

mailimap_section* sectionOf(const std::string& section) {
    clist* numbers = clist_new();
    for (std::size_t at = 0; at < section.size();) {
        const std::size_t dot = std::min(section.find('.', at), section.size());
        auto* number = static_cast<std::uint32_t*>(malloc(sizeof(std::uint32_t)));
        *number = std::uint32_t(std::stoul(section.substr(at, dot - at)));
        clist_append(numbers, number);
        at = dot + 1;
    }
    return mailimap_section_new_part(mailimap_section_part_new(numbers));
}

struct Fetched {
    std::string headers;
    std::optional<TextSection> text;
    std::optional<std::int64_t> arrived;
};

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

// One message's items of a FETCH answer.
std::uint32_t takeMessage(const mailimap_msg_att* message, Fetched& fetched, std::string& excerpt) {
    std::uint32_t uid = 0;
    for (auto* entry : itemsOf<mailimap_msg_att_item>(message->att_list)) {
        if (entry->att_type != MAILIMAP_MSG_ATT_ITEM_STATIC || !entry->att_data.att_static) {
            continue;
        }
        const mailimap_msg_att_static* item = entry->att_data.att_static;
        switch (item->att_type) {
            case MAILIMAP_MSG_ATT_UID:
                uid = item->att_data.att_uid;
                break;
            case MAILIMAP_MSG_ATT_INTERNALDATE:
                if (item->att_data.att_internal_date) {
                    fetched.arrived = secondsOf(item->att_data.att_internal_date);
                }
                break;
            case MAILIMAP_MSG_ATT_BODYSTRUCTURE:
                fetched.text = firstText(item->att_data.att_bodystructure, "");
                break;
            case MAILIMAP_MSG_ATT_BODY_SECTION:
                if (const auto* body = item->att_data.att_body_section;
                    body && body->sec_body_part) {
                    const bool headerFields = body->sec_section && body->sec_section->sec_spec &&
                                              body->sec_section->sec_spec->sec_type ==
                                                  MAILIMAP_SECTION_SPEC_SECTION_MSGTEXT;
                    (headerFields ? fetched.headers : excerpt)
                        .assign(body->sec_body_part, body->sec_length);
                }
                break;
            default:
                break;
        }
    }
    return uid;
}

// UID FETCH of `attributes` for `uids`, each message's items to `take`.
template <typename Take>
int uidFetch(mailimap* session, const std::vector<std::uint32_t>& uids,
             mailimap_fetch_type* attributes, Take&& take) {
    mailimap_set* set = setOf(uids);
    clist* results = nullptr;
    const int result = mailimap_uid_fetch(session, set, attributes, &results);
    mailimap_set_free(set);
    mailimap_fetch_type_free(attributes);
    for (auto* message : itemsOf<mailimap_msg_att>(results)) {
        take(message);
    }
    if (results) {
        mailimap_fetch_list_free(results);
    }
    return result;
}

bool Session::fetch(const std::vector<std::uint32_t>& uids, message::Reader& reader,
                    std::vector<std::pair<std::uint32_t, message::Reading>>& read) {
    clist* names = clist_new();
    for (const char* name : ImapHeaderFields) {
        clist_append(names, strdup(name));
    }
    mailimap_fetch_type* first = mailimap_fetch_type_new_fetch_att_list_empty();
    mailimap_fetch_type_new_fetch_att_list_add(first, mailimap_fetch_att_new_uid());
    mailimap_fetch_type_new_fetch_att_list_add(first, mailimap_fetch_att_new_internaldate());
    mailimap_fetch_type_new_fetch_att_list_add(first, mailimap_fetch_att_new_bodystructure());
    mailimap_fetch_type_new_fetch_att_list_add(
        first, mailimap_fetch_att_new_body_peek_section(
                   mailimap_section_new_header_fields(mailimap_header_list_new(names))));
    std::map<std::uint32_t, Fetched> messages;
    std::string unused;
    if (failed(uidFetch(session_.get(), uids, first,
                        [&](const mailimap_msg_att* message) {
                            Fetched fetched;
                            if (const std::uint32_t uid = takeMessage(message, fetched, unused)) {
                                messages[uid] = std::move(fetched);
                            }
                        }),
               ImapFailure::Malformed)) {
        return false;
    }
    // The start of each text part, asked together for the messages whose
    // text stands at the same place.
    std::map<std::string, std::vector<std::uint32_t>> bySection;
    for (const auto& [uid, fetched] : messages) {
        if (fetched.text && fetched.text->size > 0) {
            bySection[fetched.text->section].push_back(uid);
        }
    }
    for (const auto& [section, sharing] : bySection) {
        mailimap_fetch_type* second = mailimap_fetch_type_new_fetch_att_list_empty();
        mailimap_fetch_type_new_fetch_att_list_add(second, mailimap_fetch_att_new_uid());
        mailimap_fetch_type_new_fetch_att_list_add(
            second,
            mailimap_fetch_att_new_body_peek_section_partial(sectionOf(section), 0, ImapTextBytes));
        if (failed(uidFetch(session_.get(), sharing, second,
                            [&](const mailimap_msg_att* message) {
                                Fetched ignored;
                                std::string excerpt;
                                const std::uint32_t uid = takeMessage(message, ignored, excerpt);
                                if (auto at = messages.find(uid);
                                    at != messages.end() && at->second.text) {
                                    TextSection& text = *at->second.text;
                                    text.part.start = std::move(excerpt);
                                    text.part.cutShort = text.size > text.part.start.size();
                                }
                            }),
                   ImapFailure::Malformed)) {
            return false;
        }
    }
    for (auto& [uid, fetched] : messages) {
        std::optional<TextPart> text;
        if (fetched.text) {
            text = std::move(fetched.text->part);
        }
        message::Reading reading =
            reader.read(partialMessage(fetched.headers, text), message::Origin::Sent);
        if (!reading.envelope.date) {
            reading.envelope.date = fetched.arrived;
        }
        read.emplace_back(uid, std::move(reading));
    }
    return true;
}

ImapReport scan(const ImapPlace& place, std::string_view password, message::Reader& reader,
                ImapMemory& memory, const std::stop_token& stop, const ImapProgress& progress,
                const EachReading& each, const ImapLimits& limits, KeepReading keep) {
    ImapReport report;
    Session session(place, limits, stop);
    std::vector<std::string> folders;
    if (session.open(password, std::uint32_t(limits.wait.count())) && session.folders(folders)) {
        std::uint64_t total = 0;
        for (const std::string& folder : folders) {
            total += session.count(folder).value_or(0);
        }
        std::uint64_t done = 0;
        for (const std::string& folder : folders) {
            std::uint32_t validity = 0;
            if (!session.examine(folder, validity)) {
                break;
            }
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
            const std::size_t size = std::max<std::size_t>(limits.batch, 1);
            for (std::size_t at = 0; at < uids.size() && !stop.stop_requested(); at += size) {
                const std::vector<std::uint32_t> batch(
                    uids.begin() + std::ptrdiff_t(at),
                    uids.begin() + std::ptrdiff_t(std::min(at + size, uids.size())));
                std::vector<std::pair<std::uint32_t, message::Reading>> read;
                if (!session.fetch(batch, reader, read)) {
                    break;
                }
                for (auto& [uid, reading] : read) {
                    each(reading);
                    if (keep(reading)) {
                        kept.newsletters.push_back(std::move(reading));
                    }
                }
                // A batch is kept whole or not at all, so the next scan
                // goes on where this one stopped.
                kept.highestUid = batch.back();
                kept.messages += read.size();
                report.messages += read.size();
                report.fetched += read.size();
                done += batch.size();
                progress(done, std::max(done, total));
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
