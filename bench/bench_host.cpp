#include "bench/bench_host.h"

namespace krvbench {

std::vector<std::string> deployed_block() {
    return {"ANT 1 1.0000 0.1250 0.2500 0.0000", "SOLP 1 1.0000", "LID 1 1.0000"};
}

std::vector<std::string> moving_block() {
    return {"ANT 3 0.5000 0.0000 0.0000 0.0000", "SOLP 3 0.5000", "LID 3 0.5000"};
}

BenchHost::BenchHost() {
    loader = std::make_unique<standin::ModuleLoader>(
        std::filesystem::path(KRV_MODULE_FILE).parent_path());
    session = std::make_unique<standin::Session>(host, *loader);
    set_fixed_answers();
}

BenchHost::~BenchHost() {
    session.reset();
    loader.reset();
}

void BenchHost::set_fixed_answers() {
    world.set_earth_local({3.0e7, 2.0e7, -2.5e7});
    world.earth_rotation = 1.2;
    world.orbit_params.mean_lon = 4.5;
    world.orbit_params.period = 86100.0;
}

standin::SessionVessel& BenchHost::spawn(const std::vector<std::string>& lines) {
    return session->create(
        {"KRV-" + std::to_string(session->vessels().size() + 1), "KRV", 1, lines});
}

}  // namespace krvbench
