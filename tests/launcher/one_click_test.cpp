#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <thread>
#include <utility>

#include "https_server.h"
#include "launcher/one_click.h"

namespace {

using nolvetta::launcher::PostAnswer;
using nolvetta::launcher::postOneClick;
using nolvetta::testsupport::HttpsServer;
using Outcome = PostAnswer::Outcome;
using std::chrono::milliseconds;

// The server every request trusts, through SSL_CERT_FILE for the whole run,
// and one whose authority nobody trusts.
HttpsServer& trusted() {
    static HttpsServer server;
    static const bool trusting = setenv("SSL_CERT_FILE", server.caFile().c_str(), 1) == 0;
    EXPECT_TRUE(trusting);
    return server;
}
HttpsServer& stranger() {
    static HttpsServer server;
    return server;
}

class OneClick : public ::testing::Test {
protected:
    void SetUp() override {
        trusted().forget();
        stranger().forget();
    }
};

TEST_F(OneClick, AnswersEachKindOfServer) {
    // "T" stands for the trusted server's host and port, "S" for the stranger's.
    const struct {
        std::string url;
        int wait;  // milliseconds
        Outcome outcome;
        long status;
        int connections;
        std::size_t requests;
    } cases[] = {
        {"https://T/ok", 5000, Outcome::Sent, 200, 1, 1},
        {"https://T/fail", 5000, Outcome::Refused, 500, 1, 1},
        {"https://T/moved", 5000, Outcome::Redirected, 302, 1, 1},  // /ok never asked
        {"https://T/hang", 1000, Outcome::TimedOut, 0, 1, 1},
        {"https://T/endless", 3000, Outcome::Sent, 200, 1, 1},
        {"https://S/ok", 5000, Outcome::Certificate, 0, 1, 0},
        {"http://T/ok", 5000, Outcome::Failed, 0, 0, 0},
        {"https://me:secret@T/ok", 5000, Outcome::Failed, 0, 0, 0},
        {"https://me@T/ok", 5000, Outcome::Failed, 0, 0, 0},
        {"", 5000, Outcome::Failed, 0, 0, 0},
    };
    const auto hostOf = [](const HttpsServer& server) { return server.url("").substr(8); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        SetUp();
        const std::string url =
            std::regex_replace(std::regex_replace(c.url, std::regex("T/"), hostOf(trusted()) + "/"),
                               std::regex("S/"), hostOf(stranger()) + "/");
        const std::vector<PostAnswer> answers =
            postOneClick({url}, {milliseconds(c.wait), 4}, nullptr, std::stop_token{});
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].outcome, c.outcome) << answers[0].detail;
        EXPECT_EQ(answers[0].status, c.status);
        EXPECT_EQ(answers[0].detail.empty(), c.status != 0);
        EXPECT_EQ(trusted().connections() + stranger().connections(), c.connections);
        EXPECT_EQ(stranger().requests().size(), 0u);
        const std::vector<HttpsServer::Request> requests = trusted().requests();
        ASSERT_EQ(requests.size(), c.requests);
        for (const HttpsServer::Request& request : requests) {
            EXPECT_EQ(request.method, "POST");
            EXPECT_TRUE(c.url.ends_with(request.path)) << request.path;
            EXPECT_EQ(request.body, "List-Unsubscribe=One-Click");
            EXPECT_EQ(request.headers.at("content-type"), "application/x-www-form-urlencoded");
            EXPECT_THAT(request.headers.at("user-agent"), ::testing::StartsWith("Nolvetta/"));
            for (const char* secret : {"cookie", "authorization", "referer", "expect"}) {
                EXPECT_EQ(request.headers.count(secret), 0u) << secret;
            }
        }
    }
}

TEST_F(OneClick, SendsAFewAtOnceAndAnswersInOrder) {
    std::vector<std::string> urls;
    for (int i = 0; i < 12; ++i) {
        urls.push_back(trusted().url(i % 3 == 2 ? "/fail" : "/slow"));
    }
    std::vector<std::pair<std::size_t, std::size_t>> reports;
    const std::vector<PostAnswer> answers = postOneClick(
        urls, {milliseconds(10000), 4},
        [&reports](std::size_t done, std::size_t total) { reports.emplace_back(done, total); },
        std::stop_token{});
    ASSERT_EQ(answers.size(), 12u);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].outcome, i % 3 == 2 ? Outcome::Refused : Outcome::Sent) << i;
    }
    ASSERT_EQ(reports.size(), 12u);
    EXPECT_EQ(reports.front(), std::make_pair(std::size_t{1}, std::size_t{12}));
    EXPECT_EQ(reports.back(), std::make_pair(std::size_t{12}, std::size_t{12}));
    EXPECT_EQ(trusted().requests().size(), 12u);
    EXPECT_LE(trusted().mostAtOnce(), 4);
    EXPECT_GE(trusted().mostAtOnce(), 2);
}

TEST_F(OneClick, AStopCancelsWhatIsLeft) {
    std::stop_source stop;
    const std::jthread stopper([&stop] {
        std::this_thread::sleep_for(milliseconds(300));
        stop.request_stop();
    });
    const std::vector<PostAnswer> answers =
        postOneClick(std::vector<std::string>(6, trusted().url("/hang")), {milliseconds(30000), 2},
                     nullptr, stop.get_token());
    ASSERT_EQ(answers.size(), 6u);
    for (const PostAnswer& answer : answers) {
        EXPECT_EQ(answer.outcome, Outcome::Cancelled);
    }
    EXPECT_LE(trusted().connections(), 2);
}

}  // namespace
