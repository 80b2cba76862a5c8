#include "tests/support/host_fixture.h"

#include <filesystem>

namespace krvtest {

HostFixture::HostFixture() {
    host.record_into(&log);
    loader = std::make_unique<standin::ModuleLoader>(
        std::filesystem::path(KRV_MODULE_FILE).parent_path());
    session = std::make_unique<standin::Session>(host, *loader);
}

HostFixture::~HostFixture() {
    session.reset();
    loader.reset();
}

standin::SessionVessel& HostFixture::spawn(const std::string& name, int flight_model) {
    return session->create({name, "KRV", flight_model, std::nullopt});
}

standin::SessionVessel& HostFixture::spawn_from(const std::vector<std::string>& lines,
                                                const std::string& name) {
    return session->create({name, "KRV", 1, lines});
}

std::vector<std::string> describe(const standin::CallLog& log, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < log.size(); ++i) out.push_back(standin::to_string(log[i]));
    return out;
}

}  // namespace krvtest
