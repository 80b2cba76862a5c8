// The live-flight server: the page over HTTP and a WebSocket per viewer,
// on a thread of its own, so that the simulation never waits for the
// network. Built on Boost.Beast: header-only and packaged by Debian
// (libboost-dev), HTTP and WebSocket in one library over Asio, from the
// same package as Odeint's integrators: one Boost for the whole project. Protocol and safety rules:
// docs/live.md.
//
// Threading: publish(), poll_commands(), clients() and stop() may be
// called from any one thread (the simulation's); none of them waits on a
// socket. The log callback runs on the server's thread and must not call
// stop().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standin/live/commands.h"
#include "standin/live/listen_address.h"

namespace standin::live {

struct ServerOptions {
    ListenAddress listen;
    std::string page;  // the bytes of GET /?token=...
    std::string page_type = "text/html; charset=utf-8";
    std::string socket_path = "/ws";
    std::string token;                // empty: a fresh random one
    std::size_t max_message = 4096;   // [bytes] a longer message is refused with an error
    std::size_t client_queue = 8;     // snapshots waiting for a slow viewer; older ones are dropped
    std::size_t command_queue = 256;  // commands waiting for poll_commands(); more are refused
    // One line per refused request or message; empty: standard error.
    std::function<void(const std::string&)> log;
};

// 128 random bits as 32 lower-case hex digits.
std::string random_token();

class Server {
public:
    // Binds, listens and starts the server's thread. None if the address
    // cannot be bound; `error` then says why ("127.0.0.1:8321: address
    // already in use").
    static std::unique_ptr<Server> start(ServerOptions options, std::string& error);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    const std::string& token() const;
    std::uint16_t port() const;  // the bound one, also when 0 was asked for
    // http://127.0.0.1:8321/?token=...: what a person opens.
    std::string page_url() const;

    // The latest snapshot, sent to every viewer and to each new one at once.
    void publish(std::string json);
    // The commands taken since the last call, in their order of arrival.
    std::vector<Command> poll_commands();
    // A message to one viewer only (an error reply to a command the runner
    // refused); nothing when that viewer has gone.
    void reply(std::uint64_t client, std::string json);
    // Viewers connected now.
    std::size_t clients() const;
    // Closes every connection (with a close frame to each viewer) and ends
    // the server's thread, within about a second. publish() after it does
    // nothing. The destructor calls it.
    void stop();

    struct Impl;

private:
    explicit Server(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace standin::live
