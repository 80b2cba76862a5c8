#include "standin/run/install_paths.h"

#include <system_error>

namespace standin {

namespace {

namespace fs = std::filesystem;

InstallPaths build_tree_paths() {
    return {KRV_DATA_DIR, KRV_MODULES_DIR, KRV_DEFAULT_SCENARIO, KRV_REPLAY_TEMPLATE};
}

bool folder_exists(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

}  // namespace

InstallPaths install_paths_for(const fs::path& program) {
    const fs::path bin = program.parent_path();
    const fs::path root = bin.parent_path();
    // A build tree has no bin/ holding the program beside Modules/ and Scenarios/.
    if (bin.filename() != "bin" || !folder_exists(root / "Modules") ||
        !folder_exists(root / "Scenarios"))
        return build_tree_paths();
    return {root, root / "Modules", root / "Scenarios" / fs::path(KRV_DEFAULT_SCENARIO).filename(),
            root / "share" / "krv" / fs::path(KRV_REPLAY_TEMPLATE).filename()};
}

InstallPaths install_paths() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return build_tree_paths();
    return install_paths_for(program);
}

}  // namespace standin
