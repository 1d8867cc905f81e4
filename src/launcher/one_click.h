#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// Leaving a list without a browser (RFC 8058): the program sends the
// request the list's page would, to the address its List-Unsubscribe names.
namespace nolvetta::launcher {

inline constexpr std::string_view OneClickBody = "List-Unsubscribe=One-Click";

// What came of one request.
struct PostAnswer {
    enum class Outcome {
        Sent,         // a 2xx answer
        Refused,      // another answer (see status)
        Redirected,   // a 3xx answer: never followed
        TimedOut,     // no whole answer within the limit
        Certificate,  // the server's certificate or host name did not verify
        Failed,       // anything else on the way (see detail)
        Cancelled,    // stopped before it was sent or answered
        Unavailable,  // this system cannot send it
    };
    Outcome outcome = Outcome::Failed;
    long status = 0;     // the answer's HTTP status, when one came
    std::string detail;  // the transfer library's words for a failure
};

struct PostLimits {
    std::chrono::milliseconds wait{15000};  // each request, from its start to its answer
    unsigned atOnce = 4;                    // requests under way together
};

// Requests done so far, of all there are.
using PostProgress = std::function<void(std::size_t done, std::size_t total)>;

// POSTs OneClickBody as application/x-www-form-urlencoded to each https
// address: no cookie, no authorization, no referrer, a user agent naming
// the program, the certificate verified against the system's trust store
// (or the file SSL_CERT_FILE names), no redirect followed. A few at a
// time; a stop ends those under way within half a second. The answers
// stand in the addresses' order. Meant for a worker thread.
std::vector<PostAnswer> postOneClick(const std::vector<std::string>& urls, const PostLimits& limits,
                                     const PostProgress& progress, std::stop_token stop);

}  // namespace nolvetta::launcher
