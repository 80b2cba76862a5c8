// The live server over loopback: how long a command takes from a viewer to
// the simulation and back out in a published message, and what publishing
// at a page's frame rate costs and delivers with one and two viewers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "standin/live/server.h"

namespace {

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;
namespace live = standin::live;

std::unique_ptr<live::Server> start_server() {
    live::ServerOptions o;
    o.listen.port = 0;
    o.page = "<!doctype html>";
    o.log = [](const std::string&) {};
    std::string error;
    return live::Server::start(o, error);
}

// A viewer on its own I/O context, with blocking reads.
struct Viewer {
    net::io_context ioc;
    websocket::stream<tcp::socket> ws{ioc};

    explicit Viewer(const live::Server& server) {
        const std::string host = "127.0.0.1:" + std::to_string(server.port());
        ws.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), server.port()));
        ws.next_layer().set_option(tcp::no_delay(true));
        ws.set_option(websocket::stream_base::decorator([host](websocket::request_type& r) {
            r.set(beast::http::field::origin, "http://" + host);
        }));
        ws.handshake(host, "/ws?token=" + server.token());
    }
};

// A snapshot about the size a live run's will be: vessel state, six
// animation states and the HUD's text.
std::string snapshot(int n) {
    std::string s = R"({"type":"snapshot","n":)" + std::to_string(n) + R"(,"pad":")";
    s.append(2000, 'x');
    return s + "\"}";
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// Command in, message out. The simulation's stand-in polls the commands
// every millisecond, as a run's loop would between steps, and answers each
// with a published message naming it.
void BM_Live_CommandRoundTrip(benchmark::State& state) {
    auto server = start_server();
    std::atomic<bool> quit{false};
    std::thread sim([&] {
        while (!quit) {
            for (const auto& c : server->poll_commands())
                server->publish(R"({"type":"snapshot","ack":)" + std::to_string(*c.id) + "}");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    Viewer v(*server);
    beast::flat_buffer buffer;
    std::vector<double> ms;
    std::int64_t id = 0;
    for (auto _ : state) {
        const std::string want = R"("ack":)" + std::to_string(++id) + "}";
        const auto t0 = Clock::now();
        v.ws.write(net::buffer(R"({"type":"key","key":"G","id":)" + std::to_string(id) + "}"));
        for (;;) {
            buffer.clear();
            v.ws.read(buffer);
            const std::string got = beast::buffers_to_string(buffer.data());
            if (got.size() >= want.size() &&
                got.compare(got.size() - want.size(), want.size(), want) == 0)
                break;
        }
        const std::chrono::duration<double> dt = Clock::now() - t0;
        state.SetIterationTime(dt.count());
        ms.push_back(1e3 * dt.count());
    }
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p95_ms"] = percentile(ms, 0.95);
    quit = true;
    sim.join();
    server->stop();
}
BENCHMARK(BM_Live_CommandRoundTrip)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond);

// Snapshots of about 2 kB published at `rate` per second (0: as fast as
// the simulation's thread can) for one second per iteration, to
// state.range(0) viewers reading as fast as they can. Counters: the
// snapshots each viewer received per second, the share of the published
// ones, and what one publish() call costs the simulation's thread.
void publish_run(benchmark::State& state, double rate) {
    auto server = start_server();
    std::vector<std::unique_ptr<Viewer>> viewers;
    std::vector<std::atomic<long>> received(static_cast<std::size_t>(state.range(0)));
    std::vector<std::thread> readers;
    for (std::size_t i = 0; i < received.size(); ++i) {
        viewers.push_back(std::make_unique<Viewer>(*server));
        readers.emplace_back([&, i] {
            beast::flat_buffer buffer;
            beast::error_code ec;
            for (;;) {
                buffer.clear();
                viewers[i]->ws.read(buffer, ec);
                if (ec) return;
                ++received[i];
            }
        });
    }
    long published = 0;
    double publish_s = 0.0, publish_max_s = 0.0, publishing_s = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto second = start + std::chrono::seconds(1);
        for (int n = 0;; ++n) {
            if (rate > 0 && n >= rate) break;
            if (rate > 0)
                std::this_thread::sleep_until(start + std::chrono::duration<double>(n / rate));
            if (Clock::now() >= second) break;
            std::string s = snapshot(++published);
            const auto t0 = Clock::now();
            server->publish(std::move(s));
            const std::chrono::duration<double> dt = Clock::now() - t0;
            publish_s += dt.count();
            publish_max_s = std::max(publish_max_s, dt.count());
        }
        std::this_thread::sleep_until(second);
        publishing_s += 1.0;
    }
    // Let the last ones arrive.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server->stop();
    for (auto& r : readers) r.join();
    double least = 1e300;
    for (const auto& r : received) least = std::min(least, static_cast<double>(r.load()));
    state.counters["published_per_s"] = static_cast<double>(published) / publishing_s;
    state.counters["received_per_s"] = least / publishing_s;
    state.counters["received_share"] = least / static_cast<double>(published);
    state.counters["publish_us"] = 1e6 * publish_s / static_cast<double>(published);
    state.counters["publish_max_us"] = 1e6 * publish_max_s;
}

void BM_Live_Publish60PerSecond(benchmark::State& state) {
    publish_run(state, 60.0);
}
BENCHMARK(BM_Live_Publish60PerSecond)->Arg(1)->Arg(2)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_Live_PublishFlatOut(benchmark::State& state) {
    publish_run(state, 0.0);
}
BENCHMARK(BM_Live_PublishFlatOut)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
