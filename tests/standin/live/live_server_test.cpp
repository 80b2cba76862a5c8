// The live server over loopback with raw WebSocket clients. Every wait is
// bounded (kWait) so that a fault fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "standin/live/server.h"

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
namespace live = standin::live;
using namespace std::chrono_literals;

constexpr auto kWait = 3s;
const std::string kPage = "<!doctype html><title>KRV</title>";

// Runs `ioc` until `done` or kWait; on a timeout the stream is closed so
// that no handler outlives the caller.
bool run_until(net::io_context& ioc, const bool& done, beast::tcp_stream& stream) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    ioc.restart();
    while (!done && ioc.run_one_until(deadline) != 0) {
    }
    if (done) return true;
    stream.close();
    ioc.restart();
    ioc.run_for(1s);
    return false;
}

// A viewer as a page would be, minus the browser.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : port_(port) {}

    // 101 when upgraded, else the HTTP status of the refusal (-1: no answer).
    int connect(const std::string& target, const std::string& origin) {
        bool done = false;
        beast::error_code result;
        stream().async_connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port_),
                               [&](beast::error_code ec) { result = ec, done = true; });
        if (!run_until(ioc_, done, stream()) || result) return -1;
        stream().socket().set_option(tcp::no_delay(true));
        ws_.set_option(websocket::stream_base::decorator([origin](websocket::request_type& r) {
            if (!origin.empty()) r.set(http::field::origin, origin);
        }));
        done = false;
        ws_.async_handshake(response_, host(), target,
                            [&](beast::error_code ec) { result = ec, done = true; });
        if (!run_until(ioc_, done, stream())) return -1;
        return result ? static_cast<int>(response_.result_int()) : 101;
    }

    std::optional<std::string> read() {
        bool done = false;
        beast::error_code result;
        ws_.async_read(buffer_,
                       [&](beast::error_code ec, std::size_t) { result = ec, done = true; });
        if (!run_until(ioc_, done, stream()) || result) return std::nullopt;
        std::string text = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        return text;
    }

    bool send(const std::string& text, bool binary = false) {
        bool done = false;
        beast::error_code result;
        ws_.binary(binary);
        ws_.async_write(net::buffer(text),
                        [&](beast::error_code ec, std::size_t) { result = ec, done = true; });
        return run_until(ioc_, done, stream()) && !result;
    }

    // Gone without a close frame, as a crashed browser tab goes.
    void vanish() { stream().close(); }

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string origin() const { return "http://" + host(); }

private:
    beast::tcp_stream& stream() { return beast::get_lowest_layer(ws_); }

    net::io_context ioc_;
    websocket::stream<beast::tcp_stream> ws_{ioc_};
    websocket::response_type response_;
    beast::flat_buffer buffer_;
    std::uint16_t port_;
};

// GET target: the status (-1: no answer) and the body.
std::pair<int, std::string> http_get(std::uint16_t port, const std::string& target) {
    net::io_context ioc;
    beast::tcp_stream stream(ioc);
    bool done = false;
    beast::error_code result;
    stream.async_connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port),
                         [&](beast::error_code ec) { result = ec, done = true; });
    if (!run_until(ioc, done, stream) || result) return {-1, ""};
    http::request<http::empty_body> req(http::verb::get, target, 11);
    req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
    done = false;
    http::async_write(stream, req,
                      [&](beast::error_code ec, std::size_t) { result = ec, done = true; });
    if (!run_until(ioc, done, stream) || result) return {-1, ""};
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    done = false;
    http::async_read(stream, buffer, res,
                     [&](beast::error_code ec, std::size_t) { result = ec, done = true; });
    if (!run_until(ioc, done, stream) || result) return {-1, ""};
    return {static_cast<int>(res.result_int()), res.body()};
}

class LiveServer : public ::testing::Test {
protected:
    void SetUp() override {
        live::ServerOptions o;
        o.listen.port = 0;
        o.page = kPage;
        o.log = [this](const std::string& line) {
            const std::lock_guard<std::mutex> lock(log_mutex_);
            log_.push_back(line);
        };
        std::string error;
        server_ = live::Server::start(o, error);
        ASSERT_TRUE(server_) << error;
    }

    std::string socket_target() const { return "/ws?token=" + server_->token(); }

    // Connected and upgraded, or the test fails.
    std::unique_ptr<RawClient> viewer() {
        auto c = std::make_unique<RawClient>(server_->port());
        EXPECT_EQ(c->connect(socket_target(), c->origin()), 101);
        return c;
    }

    // The commands the simulation would take, once `count` have come.
    std::vector<live::Command> commands(std::size_t count) {
        std::vector<live::Command> all;
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
            for (auto& c : server_->poll_commands()) all.push_back(std::move(c));
            std::this_thread::sleep_for(2ms);
        }
        return all;
    }

    std::size_t log_lines() {
        const std::lock_guard<std::mutex> lock(log_mutex_);
        return log_.size();
    }

    std::unique_ptr<live::Server> server_;
    std::mutex log_mutex_;
    std::vector<std::string> log_;
};

TEST(LiveAddress, LoopbackUnlessAnAddressIsGivenAndClearErrors) {
    std::string error;
    const auto port_only = live::parse_listen_address("9000", error);
    ASSERT_TRUE(port_only);
    EXPECT_EQ(port_only->authority(), "127.0.0.1:9000");
    EXPECT_EQ(live::parse_listen_address("0.0.0.0:80", error)->authority(), "0.0.0.0:80");
    EXPECT_EQ(live::parse_listen_address("[::1]:8321", error)->authority(), "[::1]:8321");
    EXPECT_EQ(live::ListenAddress{}.authority(), "127.0.0.1:8321");
    for (const char* bad :
         {"", "65536", "-1", "80x", "localhost:80", "::1:80", "[::1]", "1.2.3:80"}) {
        error.clear();
        EXPECT_FALSE(live::parse_listen_address(bad, error)) << bad;
        EXPECT_NE(error.find('\''), std::string::npos) << bad;
    }
}

TEST(LiveCommands, EveryOrderParsedAndBadOnesRefusedWithAReason) {
    auto key = live::parse_command(R"({"type":"key","key":"k","mods":["RShift","Ctrl"],"id":7})");
    ASSERT_TRUE(key.command);
    EXPECT_EQ(std::get<live::Key>(key.command->order).text(), "Ctrl+RShift+K");
    EXPECT_EQ(key.command->id, 7);
    EXPECT_EQ(
        std::get<live::Warp>(live::parse_command(R"({"type":"warp","factor":100})").command->order)
            .factor,
        100.0);
    EXPECT_TRUE(std::holds_alternative<live::Pause>(
        live::parse_command(R"({"type":"pause"})").command->order));
    const auto burn = std::get<live::Burn>(
        live::parse_command(R"({"type":"burn","group":"Main","seconds":17.6})").command->order);
    EXPECT_EQ(burn.group, "main");
    EXPECT_EQ(burn.level, 1.0);
    EXPECT_EQ(std::get<live::Attitude>(
                  live::parse_command(R"({"type":"attitude","mode":"retrograde"})").command->order)
                  .mode,
              live::AttitudeMode::retrograde);
    const auto move = std::get<live::Relocate>(
        live::parse_command(R"({"type":"relocate","lon":"102W","orbits":27})").command->order);
    EXPECT_EQ(move.lon_east_deg, 258.0);
    EXPECT_EQ(move.orbits, 27);
    const auto keep = std::get<live::KeepStation>(
        live::parse_command(R"({"type":"keep","lon":"75E","halfwidth":0.05})").command->order);
    EXPECT_EQ(keep.lon_east_deg, 75.0);
    EXPECT_EQ(keep.halfwidth_deg, 0.05);

    const std::pair<const char*, live::Refusal> bad[] = {
        {"G", live::Refusal::malformed},
        {"[1]", live::Refusal::malformed},
        {R"({"key":"G"})", live::Refusal::malformed},
        {R"({"type":"fly"})", live::Refusal::unknown},
        {R"({"type":"key","key":"F1"})", live::Refusal::invalid},
        {R"({"type":"key","key":"G","mods":["Meta"]})", live::Refusal::invalid},
        {R"({"type":"warp","factor":100001})", live::Refusal::invalid},
        {R"({"type":"warp","factor":"10"})", live::Refusal::invalid},
        {R"({"type":"pause","now":true})", live::Refusal::invalid},
        {R"({"type":"burn","group":"hover","seconds":1})", live::Refusal::invalid},
        {R"({"type":"burn","group":"main","seconds":0})", live::Refusal::invalid},
        {R"({"type":"relocate","lon":"200W","orbits":3})", live::Refusal::invalid},
        {R"({"type":"relocate","lon":"102W","orbits":2.5})", live::Refusal::invalid},
        {R"({"type":"keep","lon":"102W"})", live::Refusal::invalid},
        {R"({"type":"pause","id":"x"})", live::Refusal::invalid},
    };
    for (const auto& [text, why] : bad) {
        const auto r = live::parse_command(text);
        EXPECT_FALSE(r.command) << text;
        EXPECT_EQ(r.refusal, why) << text;
        EXPECT_FALSE(r.detail.empty()) << text;
    }
    EXPECT_EQ(live::error_reply(live::Refusal::unknown, "unknown type 'fly'", 3),
              R"({"detail":"unknown type 'fly'","error":"unknown","id":3,"type":"error"})");
}

TEST_F(LiveServer, PageAndSnapshotsReachEveryViewerAndANewOneGetsTheLatest) {
    EXPECT_EQ(http_get(server_->port(), "/?token=" + server_->token()), std::make_pair(200, kPage));
    EXPECT_NE(server_->page_url().find("/?token=" + server_->token()), std::string::npos);
    EXPECT_EQ(server_->token().size(), 32u);

    auto a = viewer();
    server_->publish(R"({"type":"snapshot","t":1})");
    EXPECT_EQ(a->read(), R"({"type":"snapshot","t":1})");
    auto b = viewer();
    EXPECT_EQ(b->read(), R"({"type":"snapshot","t":1})");  // at once, not at the next step
    server_->publish(R"({"type":"snapshot","t":2})");
    EXPECT_EQ(a->read(), R"({"type":"snapshot","t":2})");
    EXPECT_EQ(b->read(), R"({"type":"snapshot","t":2})");
    EXPECT_EQ(server_->clients(), 2u);

    ASSERT_TRUE(a->send(R"({"type":"key","key":"G","id":1})"));
    ASSERT_TRUE(b->send(R"({"type":"warp","factor":10})"));
    const auto taken = commands(2);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_NE(taken[0].client, taken[1].client);
    EXPECT_TRUE(server_->poll_commands().empty());
}

TEST_F(LiveServer, WrongTokenOriginHostOrPathIsRefusedBeforeTheUpgrade) {
    const std::string good = socket_target();
    RawClient probe(server_->port());
    const std::string other_origin = "http://evil.example";
    const std::pair<std::string, std::string> refused[] = {
        {"/ws", probe.origin()},                                // no token
        {"/ws?token=" + std::string(32, '0'), probe.origin()},  // wrong token
        {good, other_origin},                                   // another page
        {good, ""},                                             // no Origin at all
        {good, "http://127.0.0.1:1"},                           // another port
    };
    for (const auto& [target, origin] : refused) {
        RawClient c(server_->port());
        EXPECT_EQ(c.connect(target, origin), 403) << target << " from " << origin;
    }
    RawClient elsewhere(server_->port());
    EXPECT_EQ(elsewhere.connect("/socket?token=" + server_->token(), probe.origin()), 404);
    EXPECT_EQ(http_get(server_->port(), "/?token=nope").first, 403);
    EXPECT_EQ(http_get(server_->port(), "/").first, 403);
    EXPECT_EQ(http_get(server_->port(), "/favicon.ico").first, 404);
    EXPECT_EQ(server_->clients(), 0u);
    EXPECT_GE(log_lines(), 7u);
}

TEST_F(LiveServer, BadMessagesAreAnsweredWithErrorsWhileAnotherViewerKeepsReceiving) {
    auto prober = viewer();
    auto watcher = viewer();
    const std::pair<std::string, std::string> sent[] = {
        {"{not json", "malformed"},
        {R"({"type":"teleport","id":4})", "unknown"},
        {R"({"type":"warp","factor":0})", "invalid"},
        {std::string(5000, 'x'), "too_big"},
    };
    int step = 0;
    for (const auto& [message, error] : sent) {
        ASSERT_TRUE(prober->send(message));
        const auto reply = prober->read();
        ASSERT_TRUE(reply) << error;
        EXPECT_NE(reply->find(R"("type":"error")"), std::string::npos) << *reply;
        EXPECT_NE(reply->find(R"("error":")" + error + '"'), std::string::npos) << *reply;
        const std::string snapshot = R"({"type":"snapshot","step":)" + std::to_string(++step) + "}";
        server_->publish(snapshot);
        EXPECT_EQ(watcher->read(), snapshot);
        EXPECT_EQ(prober->read(), snapshot);
    }
    ASSERT_TRUE(prober->send("\x01\x02", true));
    EXPECT_NE(prober->read().value_or("").find(R"("error":"malformed")"), std::string::npos);
    // Still connected, still heard: the refusals cost it nothing else.
    ASSERT_TRUE(prober->send(R"({"type":"attitude","mode":"hold"})"));
    const auto taken = commands(1);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, R"({"mode":"hold","type":"attitude"})");
    EXPECT_EQ(server_->clients(), 2u);
    EXPECT_GE(log_lines(), 5u);
}

TEST_F(LiveServer, AViewerLeavingMidStreamLeavesTheOthersAndStopClosesTheRest) {
    auto leaver = viewer();
    auto stayer = viewer();
    for (int i = 1; i <= 50; ++i) {
        server_->publish(R"({"type":"snapshot","n":)" + std::to_string(i) + "}");
        if (i == 20) leaver->vanish();
    }
    // Every snapshot or only the newest ones, but the last one arrives.
    std::optional<std::string> last;
    while ((last = stayer->read()) && *last != R"({"type":"snapshot","n":50})") {
    }
    EXPECT_EQ(last, R"({"type":"snapshot","n":50})");
    auto newcomer = viewer();
    EXPECT_EQ(newcomer->read(), R"({"type":"snapshot","n":50})");

    server_->stop();
    EXPECT_EQ(stayer->read(), std::nullopt);  // the close frame
    server_->publish("{}");                   // after stop: nothing, and no crash
    EXPECT_EQ(server_->clients(), 0u);
}

TEST_F(LiveServer, APortInUseIsAnErrorNamingTheAddress) {
    live::ServerOptions o;
    o.listen.port = server_->port();
    std::string error;
    EXPECT_FALSE(live::Server::start(o, error));
    EXPECT_EQ(error, "127.0.0.1:" + std::to_string(server_->port()) + ": address already in use");
}

}  // namespace
