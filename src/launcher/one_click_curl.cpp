#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

#include "launcher/one_click_module.h"

namespace nolvetta::launcher {

namespace {

using Outcome = PostAnswer::Outcome;

// Enough of an answer to know it came; the rest is never read.
constexpr std::size_t AnswerLimit = 64 * 1024;
// How long a wait for the network goes before the stop is looked at again.
constexpr int PollMilliseconds = 200;

struct EasyFree {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One request under way.
struct Transfer {
    std::size_t index = 0;
    std::size_t received = 0;
    bool cut = false;  // the answer outgrew AnswerLimit
    char error[CURL_ERROR_SIZE] = {};
    std::unique_ptr<CURLU, UrlFree> url{curl_url()};
    std::unique_ptr<curl_slist, ListFree> headers;
    std::unique_ptr<CURL, EasyFree> easy{curl_easy_init()};
};

std::size_t discard(char*, std::size_t size, std::size_t count, void* data) {
    auto* transfer = static_cast<Transfer*>(data);
    transfer->received += size * count;
    transfer->cut = transfer->received > AnswerLimit;
    return transfer->cut ? 0 : size * count;  // 0 ends the transfer
}

// True when the address names a user or a password: those are never sent.
bool holdsCredentials(CURLU* url) {
    for (const CURLUPart part : {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS}) {
        char* value = nullptr;
        const bool found = curl_url_get(url, part, &value, 0) == CURLUE_OK;
        curl_free(value);
        if (found) {
            return true;
        }
    }
    return false;
}

// Sets the request up; an answer when it cannot be sent at all.
std::optional<PostAnswer> prepare(Transfer& transfer, const std::string& address,
                                  const PostLimits& limits) {
    if (!transfer.easy || !transfer.url) {
        return PostAnswer{Outcome::Failed, 0, "out of memory"};
    }
    if (const CURLUcode parsed =
            curl_url_set(transfer.url.get(), CURLUPART_URL, address.c_str(), 0);
        parsed != CURLUE_OK) {
        return PostAnswer{Outcome::Failed, 0, curl_url_strerror(parsed)};
    }
    if (holdsCredentials(transfer.url.get())) {
        return PostAnswer{Outcome::Failed, 0, "the address holds a user name or password"};
    }
    // No Expect: the body is tiny and a server that ignores it costs a second.
    for (const char* header : {"Content-Type: application/x-www-form-urlencoded", "Expect:"}) {
        curl_slist* longer = curl_slist_append(transfer.headers.get(), header);
        if (!longer) {
            return PostAnswer{Outcome::Failed, 0, "out of memory"};
        }
        static_cast<void>(transfer.headers.release());  // the same list, one longer
        transfer.headers.reset(longer);
    }
    CURL* easy = transfer.easy.get();
    curl_easy_setopt(easy, CURLOPT_CURLU, transfer.url.get());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    // Some users keep their own authorities there, as the IMAP client honours.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, file);
    }
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // the environment's proxy would see the address
    curl_easy_setopt(easy, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Nolvetta/" NOLVETTA_VERSION);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers.get());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, OneClickBody.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(OneClickBody.size()));
    // 0 would be no limit at all.
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                     std::max(1L, static_cast<long>(limits.wait.count())));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.error);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    return std::nullopt;
}

PostAnswer answerOf(const Transfer& transfer, CURLcode result) {
    PostAnswer answer;
    curl_easy_getinfo(transfer.easy.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && transfer.cut)) {
        answer.outcome = answer.status / 100 == 2   ? Outcome::Sent
                         : answer.status / 100 == 3 ? Outcome::Redirected
                                                    : Outcome::Refused;
        return answer;
    }
    switch (result) {
        case CURLE_OPERATION_TIMEDOUT:
            answer.outcome = Outcome::TimedOut;
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CRL_BADFILE:
            answer.outcome = Outcome::Certificate;
            break;
        default:
            answer.outcome = Outcome::Failed;
    }
    answer.detail = transfer.error[0] ? transfer.error : curl_easy_strerror(result);
    return answer;
}

std::vector<PostAnswer> post(const std::vector<std::string>& urls, const PostLimits& limits,
                             const PostProgress& progress, const std::stop_token& stop) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::vector<PostAnswer> answers(urls.size(), PostAnswer{Outcome::Cancelled, 0, {}});
    const std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                      curl_multi_cleanup);
    if (!multi) {
        std::fill(answers.begin(), answers.end(), PostAnswer{Outcome::Failed, 0, "out of memory"});
        return answers;
    }
    // A stop wakes the wait at once rather than at its end.
    const std::stop_callback wake(stop, [&multi] { curl_multi_wakeup(multi.get()); });
    std::vector<std::unique_ptr<Transfer>> underWay;
    const std::size_t atOnce = std::max(limits.atOnce, 1u);
    std::size_t next = 0;
    std::size_t done = 0;
    const auto finish = [&](std::size_t index, PostAnswer answer) {
        answers[index] = std::move(answer);
        if (progress) {
            progress(++done, urls.size());
        }
    };
    while (!stop.stop_requested() && (next < urls.size() || !underWay.empty())) {
        while (underWay.size() < atOnce && next < urls.size()) {
            auto transfer = std::make_unique<Transfer>();
            transfer->index = next++;
            if (auto refused = prepare(*transfer, urls[transfer->index], limits)) {
                finish(transfer->index, std::move(*refused));
            } else if (curl_multi_add_handle(multi.get(), transfer->easy.get()) != CURLM_OK) {
                finish(transfer->index, PostAnswer{Outcome::Failed, 0, "could not start"});
            } else {
                underWay.push_back(std::move(transfer));
            }
        }
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            const auto transfer = std::find_if(
                underWay.begin(), underWay.end(),
                [message](const auto& each) { return each->easy.get() == message->easy_handle; });
            const CURLcode result = message->data.result;
            curl_multi_remove_handle(multi.get(), message->easy_handle);
            finish((*transfer)->index, answerOf(**transfer, result));
            underWay.erase(transfer);
        }
        if (!underWay.empty()) {
            curl_multi_poll(multi.get(), nullptr, 0, PollMilliseconds, nullptr);
        }
    }
    for (const auto& transfer : underWay) {  // stopped: their answers stay Cancelled
        curl_multi_remove_handle(multi.get(), transfer->easy.get());
    }
    return answers;
}

}  // namespace

}  // namespace nolvetta::launcher

extern "C" __attribute__((visibility("default"))) const nolvetta::launcher::OneClickModule*
nolvetta_post_module() {
    static const nolvetta::launcher::OneClickModule module{nolvetta::launcher::post};
    return &module;
}
