// Where the live server listens, as `--live [ADDR:]PORT` gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace standin::live {

struct ListenAddress {
    std::string address = "127.0.0.1";  // an IPv4 or IPv6 literal, never a name
    std::uint16_t port = 8321;          // 0: a free port the system picks

    // "127.0.0.1:8321", "[::1]:8321": as a URL's authority shows it.
    std::string authority() const;
};

// "PORT", "ADDR:PORT" or "[IPV6]:PORT". Loopback unless an address is
// given. On an error, none, and `error` says what is wrong with the text.
std::optional<ListenAddress> parse_listen_address(const std::string& text, std::string& error);

}  // namespace standin::live
