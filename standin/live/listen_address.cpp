#include "standin/live/listen_address.h"

#include <boost/asio/ip/address.hpp>
#include <cctype>

namespace standin::live {

namespace {

// Digits only, 0 to 65535: no sign, space or exponent.
std::optional<std::uint16_t> port_number(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string ListenAddress::authority() const {
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

std::optional<ListenAddress> parse_listen_address(const std::string& text, std::string& error) {
    ListenAddress result;
    std::string port_text = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find("]:");
        if (close == std::string::npos) {
            error = "'" + text + "': expected [IPV6]:PORT";
            return std::nullopt;
        }
        result.address = text.substr(1, close - 1);
        port_text = text.substr(close + 2);
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        result.address = text.substr(0, colon);
        port_text = text.substr(colon + 1);
        if (result.address.find(':') != std::string::npos) {
            error = "'" + text + "': an IPv6 address goes in brackets, e.g. [::1]:8321";
            return std::nullopt;
        }
    }
    const auto port = port_number(port_text);
    if (!port) {
        error =
            "'" + text + "': the port must be a number from 0 to 65535, got '" + port_text + "'";
        return std::nullopt;
    }
    result.port = *port;
    // A literal only: a name would need a lookup, and a page served under a
    // name could be re-pointed at this machine by someone else's DNS.
    boost::system::error_code ec;
    const auto address = boost::asio::ip::make_address(result.address, ec);
    if (ec || result.address.empty()) {
        error = "'" + text + "': '" + result.address +
                "' is not an IP address (e.g. 127.0.0.1, 0.0.0.0 or [::1])";
        return std::nullopt;
    }
    result.address = address.to_string();
    return result;
}

}  // namespace standin::live
