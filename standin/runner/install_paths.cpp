#include "standin/runner/install_paths.h"

#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

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
#if defined(_WIN32)
    // Windows has no /proc: the program's own file from the loader.
    std::wstring program(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
    if (n == 0 || n >= program.size()) return build_tree_paths();
    program.resize(n);
    return install_paths_for(fs::path(program));
#else
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return build_tree_paths();
    return install_paths_for(program);
#endif
}

}  // namespace standin
