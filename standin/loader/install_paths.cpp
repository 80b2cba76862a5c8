#include "standin/loader/install_paths.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace standin {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDefaultScenario = "krv_geo_stowed.scn";
constexpr const char* kReplayTemplate = "replay_template.html";

bool folder_exists(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

InstallPaths installed(const fs::path& root) {
    return {root, root / "Modules", root / "Scenarios" / kDefaultScenario,
            root / "share" / "krv" / kReplayTemplate};
}

}  // namespace

InstallPaths install_paths_for(const fs::path& program) {
    const fs::path bin = program.parent_path();
    const fs::path root = bin.parent_path();
    if (bin.filename() == "bin" && folder_exists(root / "Modules") &&
        folder_exists(root / "Scenarios"))
        return installed(root);
    for (fs::path up = bin; !up.empty(); up = up.parent_path()) {
        std::error_code ec;
        if (fs::is_regular_file(up / "CMakeCache.txt", ec)) {
            const fs::path data = up / "data";
            return {data, up / "modules", data / "Scenarios" / kDefaultScenario,
                    up / "viewer" / kReplayTemplate};
        }
        if (up == up.parent_path()) break;
    }
    return installed(root);
}

InstallPaths install_paths() {
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return install_paths_for(fs::path("krvsim.exe"));
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(name.size() * 2);
    }
    return install_paths_for(fs::path(name));
#else
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return install_paths_for(fs::current_path(ec) / "krvsim");
    return install_paths_for(program);
#endif
}

}  // namespace standin
