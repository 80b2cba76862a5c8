#include "standin/live/server.h"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

namespace standin::live {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Text = std::shared_ptr<const std::string>;
using Request = http::request<http::empty_body>;

namespace {

// Messages up to this many times the limit are read and refused with a
// reply; a longer one ends the connection (close code 1009).
constexpr std::size_t kHardLimitFactor = 16;
// Error replies waiting for one viewer; more are dropped, not queued.
constexpr std::size_t kReplyQueue = 16;
// Refusals logged per viewer.
constexpr int kLoggedRefusals = 20;
constexpr auto kHttpTimeout = std::chrono::seconds(10);
// How long stop() lets viewers answer the close frame.
constexpr auto kStopGrace = std::chrono::seconds(1);

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Equal texts, in a time that does not depend on where they differ.
bool same_secret(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    return diff == 0;
}

std::string_view path_of(std::string_view target) {
    return target.substr(0, target.find('?'));
}

std::string_view query_value(std::string_view target, std::string_view name) {
    const auto q = target.find('?');
    if (q == std::string_view::npos) return {};
    std::string_view rest = target.substr(q + 1);
    while (!rest.empty()) {
        const auto amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name &&
            pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        if (amp == std::string_view::npos) break;
        rest = rest.substr(amp + 1);
    }
    return {};
}

// The Host header names this server by an address literal or "localhost"
// and its port. A DNS name is refused: it could point at this machine
// from someone else's page.
bool host_is_ours(std::string_view host, std::uint16_t port) {
    std::string_view name = host;
    std::string_view port_text = "80";
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos) return false;
        name = host.substr(1, close - 1);
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':') return false;
            port_text = host.substr(close + 2);
        }
    } else if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
        name = host.substr(0, colon);
        port_text = host.substr(colon + 1);
    }
    if (port_text != std::to_string(port)) return false;
    if (lower(name) == "localhost") return true;
    boost::system::error_code ec;
    net::ip::make_address(std::string(name), ec);
    return !ec;
}

}  // namespace

class Viewer;

// A connection, page request or viewer, while it lives: stop() cuts the
// ones still open after the grace time.
class Link {
public:
    virtual void cut() = 0;

protected:
    explicit Link(Server::Impl& s);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

private:
    Server::Impl& s_;
};

struct Server::Impl {
    explicit Impl(ServerOptions o) : options(std::move(o)) {}

    ServerOptions options;
    std::uint16_t port = 0;
    std::atomic<bool> stopped{false};

    // Shared by the simulation's thread and the server's.
    std::mutex mutex;
    Text latest;
    bool broadcast_pending = false;
    std::vector<Command> commands;
    std::atomic<std::size_t> viewer_count{0};

    // The server's thread only. Kept before the I/O context: connections
    // still held by its handlers when it is destroyed count themselves out.
    std::set<Link*> links;
    bool stopping = false;
    bool running = false;
    std::uint64_t next_client = 1;

    net::io_context ioc{1};
    tcp::acceptor acceptor{ioc};
    net::steady_timer retry_timer{ioc};
    net::steady_timer stop_timer{ioc};
    std::set<std::shared_ptr<Viewer>> viewers;
    std::thread thread;

    void log(const std::string& line) const {
        if (options.log)
            options.log(line);
        else
            std::fprintf(stderr, "live: %s\n", line.c_str());
    }
    void accept();
    void broadcast();
    bool take(Command c) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (commands.size() >= options.command_queue) return false;
        commands.push_back(std::move(c));
        return true;
    }
    Text latest_snapshot() {
        const std::lock_guard<std::mutex> lock(mutex);
        return latest;
    }
    void shutdown();
    void run();
};

Link::Link(Server::Impl& s) : s_(s) {
    s_.links.insert(this);
}

Link::~Link() {
    s_.links.erase(this);
    // The last one gone: stop() need not wait out its grace time.
    if (s_.links.empty() && s_.stopping && s_.running) {
        try {
            s_.stop_timer.cancel();
        } catch (const std::exception&) {
            // The grace time then ends the thread instead.
        }
    }
}

namespace {

void no_delay(tcp::socket& socket) {
    // Snapshots and replies are small: send each at once.
    beast::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
}

}  // namespace

// One viewer's WebSocket: reads its commands and writes snapshots and
// error replies from a bounded queue, one write at a time.
class Viewer : public Link, public std::enable_shared_from_this<Viewer> {
public:
    Viewer(Server::Impl& s, beast::tcp_stream stream, std::string peer)
        : Link(s), s_(s), ws_(std::move(stream)), id_(s.next_client++), peer_(std::move(peer)) {}

    void start(const Request& request) {
        s_.viewers.insert(shared_from_this());
        ++s_.viewer_count;
        // Queued before the handshake: a snapshot published from now on
        // reaches this viewer after the latest one.
        if (Text t = s_.latest_snapshot()) enqueue(t, true);
        beast::get_lowest_layer(ws_).expires_never();
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& r) { r.set(http::field::server, "krvsim live"); }));
        ws_.read_message_max(s_.options.max_message * kHardLimitFactor);
        ws_.async_accept(
            request, [self = shared_from_this()](beast::error_code ec) { self->on_accept(ec); });
    }

    void enqueue(const Text& text, bool snapshot) {
        if (gone_ || closing_) return;
        std::size_t same_kind = 0;
        for (std::size_t i = writing_ ? 1 : 0; i < queue_.size(); ++i)
            same_kind += queue_[i].snapshot == snapshot ? 1 : 0;
        if (!snapshot && same_kind >= kReplyQueue) return;
        if (snapshot && same_kind >= s_.options.client_queue) {
            // A slow viewer gets the newest snapshots, not all of them.
            for (auto it = queue_.begin() + (writing_ ? 1 : 0); it != queue_.end(); ++it)
                if (it->snapshot) {
                    queue_.erase(it);
                    break;
                }
        }
        queue_.push_back({text, snapshot});
        flush();
    }

    void cut() override {
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().close(ignored);
    }

    std::uint64_t id() const { return id_; }

    // Sends a close frame once the write under way is done.
    void close() {
        closing_ = true;
        if (!accepted_) return cut();
        if (!writing_) send_close();
    }

private:
    struct Out {
        Text text;
        bool snapshot = false;
    };

    void on_accept(beast::error_code ec) {
        if (ec) {
            s_.log("viewer " + std::to_string(id_) + " (" + peer_ +
                   "): handshake failed: " + ec.message());
            drop();
            return;
        }
        accepted_ = true;
        if (closing_) {
            send_close();
            return;
        }
        read();
        flush();
    }

    void read() {
        ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            self->on_read(ec);
        });
    }

    void on_read(beast::error_code ec) {
        if (ec) {
            if (ec == websocket::error::message_too_big)
                s_.log("viewer " + std::to_string(id_) + ": closed, a message over " +
                       std::to_string(s_.options.max_message * kHardLimitFactor) + " bytes");
            drop();
            return;
        }
        const std::string message = beast::buffers_to_string(buffer_.data());
        buffer_.consume(buffer_.size());
        if (!ws_.got_text()) {
            refuse(Refusal::malformed, "binary messages are not taken", std::nullopt);
        } else if (message.size() > s_.options.max_message) {
            refuse(Refusal::too_big,
                   std::to_string(message.size()) + " bytes, the limit is " +
                       std::to_string(s_.options.max_message),
                   std::nullopt);
        } else {
            ParseResult r = parse_command(message);
            if (r.command) {
                r.command->client = id_;
                if (!s_.take(std::move(*r.command)))
                    refuse(Refusal::busy, "too many commands waiting", r.id);
            } else {
                refuse(r.refusal, r.detail, r.id);
            }
        }
        if (!closing_) read();
    }

    void refuse(Refusal why, const std::string& detail, std::optional<std::int64_t> id) {
        // A viewer sending junk in a loop does not flood the log.
        if (++refusals_ <= kLoggedRefusals)
            s_.log("viewer " + std::to_string(id_) + ": refused (" + refusal_name(why) +
                   "): " + detail +
                   (refusals_ == kLoggedRefusals ? " (its further refusals go unlogged)" : ""));
        enqueue(std::make_shared<const std::string>(error_reply(why, detail, id)), false);
    }

    void flush() {
        if (!accepted_ || writing_ || closing_ || gone_ || queue_.empty()) return;
        writing_ = true;
        ws_.text(true);
        ws_.async_write(
            net::buffer(*queue_.front().text),
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->on_write(ec); });
    }

    void on_write(beast::error_code ec) {
        writing_ = false;
        if (!queue_.empty()) queue_.pop_front();
        if (ec) {
            drop();
            return;
        }
        if (closing_)
            send_close();
        else
            flush();
    }

    void send_close() {
        if (close_sent_ || gone_) return;
        close_sent_ = true;
        queue_.clear();
        ws_.async_close(websocket::close_code::going_away,
                        [self = shared_from_this()](beast::error_code) { self->drop(); });
    }

    // Out of the broadcast list; the object ends with its last handler.
    void drop() {
        if (gone_) return;
        gone_ = true;
        // A write under way still reads its message.
        queue_.erase(queue_.begin() + (writing_ && !queue_.empty() ? 1 : 0), queue_.end());
        --s_.viewer_count;
        s_.viewers.erase(shared_from_this());
    }

    Server::Impl& s_;
    websocket::stream<beast::tcp_stream> ws_;
    beast::flat_buffer buffer_;
    std::deque<Out> queue_;
    std::uint64_t id_;
    std::string peer_;
    bool accepted_ = false;
    bool writing_ = false;
    bool closing_ = false;
    bool close_sent_ = false;
    bool gone_ = false;
    int refusals_ = 0;
};

namespace {

// One HTTP request: the page, or the upgrade to a viewer's WebSocket.
class Connection : public Link, public std::enable_shared_from_this<Connection> {
public:
    Connection(Server::Impl& s, tcp::socket socket) : Link(s), s_(s), stream_(std::move(socket)) {
        no_delay(stream_.socket());
        beast::error_code ec;
        const auto remote = stream_.socket().remote_endpoint(ec);
        peer_ = ec ? std::string("?") : remote.address().to_string();
    }

    void cut() override {
        beast::error_code ignored;
        stream_.socket().close(ignored);
    }

    void read() {
        parser_.header_limit(8192);
        stream_.expires_after(kHttpTimeout);
        http::async_read(
            stream_, buffer_, parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->on_read(ec); });
    }

private:
    void on_read(beast::error_code ec) {
        if (ec) return;  // the peer went away or sent no valid request
        const Request& req = parser_.get();
        const std::string_view target(req.target().data(), req.target().size());
        const std::string_view path = path_of(target);
        const bool upgrade = websocket::is_upgrade(req);
        if (path != (upgrade ? std::string_view(s_.options.socket_path) : "/"))
            return respond(http::status::not_found, "not found");
        if (req.method() != http::verb::get)
            return respond(http::status::method_not_allowed, "GET only");
        if (!same_secret(query_value(target, "token"), s_.options.token))
            return refuse("wrong or missing token");
        const auto host = req[http::field::host];
        if (!host_is_ours(std::string_view(host.data(), host.size()), s_.port))
            return refuse("Host is not this server's address");
        if (!upgrade) return page();
        // The page's own origin: the scheme and the Host it was loaded from.
        const auto origin = req[http::field::origin];
        if (lower(std::string_view(origin.data(), origin.size())) !=
            "http://" + lower(std::string_view(host.data(), host.size())))
            return refuse("Origin is not this server's page");
        if (s_.stopping) return respond(http::status::service_unavailable, "stopping");
        std::make_shared<Viewer>(s_, std::move(stream_), peer_)->start(req);
    }

    void refuse(const std::string& why) {
        s_.log("refused " + peer_ + ": " + why);
        respond(http::status::forbidden, "forbidden: " + why);
    }

    void page() {
        response_.result(http::status::ok);
        response_.set(http::field::content_type, s_.options.page_type);
        response_.set(http::field::cache_control, "no-store");
        // The token is in the page's URL: no Referer carries it elsewhere.
        response_.set("Referrer-Policy", "no-referrer");
        response_.set("X-Content-Type-Options", "nosniff");
        response_.set("X-Frame-Options", "DENY");
        response_.body() = s_.options.page;
        write();
    }

    void respond(http::status status, const std::string& text) {
        response_.result(status);
        response_.set(http::field::content_type, "text/plain; charset=utf-8");
        if (status == http::status::method_not_allowed) response_.set(http::field::allow, "GET");
        response_.body() = text + "\n";
        write();
    }

    void write() {
        response_.version(11);
        response_.set(http::field::server, "krvsim live");
        response_.keep_alive(false);
        response_.prepare_payload();
        http::async_write(stream_, response_,
                          [self = shared_from_this()](beast::error_code, std::size_t) {
                              beast::error_code ignored;
                              self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                          });
    }

    Server::Impl& s_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    http::request_parser<http::empty_body> parser_;
    http::response<http::string_body> response_;
    std::string peer_;
};

}  // namespace

void Server::Impl::accept() {
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (stopping) return;
        if (ec) {
            // Out of descriptors, say: try again shortly rather than spin.
            log("accept: " + ec.message());
            retry_timer.expires_after(std::chrono::milliseconds(100));
            retry_timer.async_wait([this](beast::error_code e) {
                if (!e && !stopping) accept();
            });
            return;
        }
        std::make_shared<Connection>(*this, std::move(socket))->read();
        accept();
    });
}

void Server::Impl::broadcast() {
    Text t;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        broadcast_pending = false;
        t = latest;
    }
    if (!t || stopping) return;
    // A copy: a failed write may drop a viewer from the set.
    const auto all = viewers;
    for (const auto& v : all) v->enqueue(t, true);
}

void Server::Impl::shutdown() {
    stopping = true;
    beast::error_code ignored;
    acceptor.close(ignored);
    retry_timer.cancel();
    const auto all = viewers;
    for (const auto& v : all) v->close();
    if (links.empty()) return;
    // A viewer that never answers its close frame is cut off; its handlers
    // then end with errors, and the thread with them.
    stop_timer.expires_after(kStopGrace);
    stop_timer.async_wait([this](beast::error_code ec) {
        if (ec) return;
        const std::vector<Link*> open(links.begin(), links.end());
        for (Link* l : open) l->cut();
        // Should anything still hold on, the thread ends regardless.
        stop_timer.expires_after(kStopGrace);
        stop_timer.async_wait([this](beast::error_code e) {
            if (!e) ioc.stop();
        });
    });
}

void Server::Impl::run() {
    // A handler that throws (out of memory, say) must not end the process.
    for (;;) {
        try {
            ioc.run();
            return;
        } catch (const std::exception& e) {
            log(std::string("error: ") + e.what());
        }
    }
}

std::string random_token() {
    std::uint32_t words[4] = {};
    try {
        std::random_device device("/dev/urandom");
        for (auto& w : words) w = device();
    } catch (const std::exception&) {
        std::random_device device;
        for (auto& w : words) w = device();
    }
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (std::uint32_t w : words)
        for (int shift = 28; shift >= 0; shift -= 4) token += digits[(w >> shift) & 0xF];
    return token;
}

std::unique_ptr<Server> Server::start(ServerOptions options, std::string& error) {
    auto impl = std::make_unique<Impl>(std::move(options));
    if (impl->options.token.empty()) impl->options.token = random_token();
    const std::string where = impl->options.listen.authority();
    beast::error_code ec;
    const auto address = net::ip::make_address(impl->options.listen.address, ec);
    if (ec) {
        error = where + ": not an IP address";
        return nullptr;
    }
    const tcp::endpoint endpoint(address, impl->options.listen.port);
    tcp::acceptor& a = impl->acceptor;
    a.open(endpoint.protocol(), ec);
    // Lets a restarted server take its port back from connections still
    // closing; on Linux it never shares a port another socket listens on.
    if (!ec) a.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) a.bind(endpoint, ec);
    if (!ec) a.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        error = where + ": " +
                (ec == net::error::address_in_use ? std::string("address already in use")
                                                  : ec.message());
        return nullptr;
    }
    impl->port = a.local_endpoint(ec).port();
    impl->running = true;
    impl->accept();
    impl->thread = std::thread([i = impl.get()] { i->run(); });
    return std::unique_ptr<Server>(new Server(std::move(impl)));
}

Server::Server(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Server::~Server() {
    stop();
}

const std::string& Server::token() const {
    return impl_->options.token;
}

std::uint16_t Server::port() const {
    return impl_->port;
}

std::string Server::page_url() const {
    ListenAddress shown = impl_->options.listen;
    shown.port = impl_->port;
    // A server on every address is reached from this machine on loopback.
    if (shown.address == "0.0.0.0") shown.address = "127.0.0.1";
    if (shown.address == "::") shown.address = "::1";
    return "http://" + shown.authority() + "/?token=" + impl_->options.token;
}

void Server::publish(std::string json) {
    if (impl_->stopped) return;
    auto text = std::make_shared<const std::string>(std::move(json));
    bool post = false;
    {
        const std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->latest = std::move(text);
        // One broadcast waiting at a time: it sends whatever is latest then.
        post = !impl_->broadcast_pending;
        impl_->broadcast_pending = true;
    }
    if (post) net::post(impl_->ioc, [i = impl_.get()] { i->broadcast(); });
}

std::vector<Command> Server::poll_commands() {
    std::vector<Command> out;
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    out.swap(impl_->commands);
    return out;
}

void Server::reply(std::uint64_t client, std::string json) {
    if (impl_->stopped) return;
    auto text = std::make_shared<const std::string>(std::move(json));
    net::post(impl_->ioc, [i = impl_.get(), client, text] {
        for (const auto& v : i->viewers)
            if (v->id() == client) {
                v->enqueue(text, false);
                return;
            }
    });
}

std::size_t Server::clients() const {
    return impl_->viewer_count;
}

void Server::stop() {
    if (impl_->stopped.exchange(true)) return;
    net::post(impl_->ioc, [i = impl_.get()] { i->shutdown(); });
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_->running = false;
}

}  // namespace standin::live
