# Third-party libraries of the stand-in host for the Windows cross-build.
# Debian packages them for the build machine only, so this file gives the
# cross-build targets of the same names the native build finds:
#  - compiled libraries are built from Debian's own source packages, which
#    `scripts/setup mingw` fetches into build/deb-src/ (its list
#    `cross_sources` names them);
#  - header-only libraries are the build machine's packaged headers, linked
#    into a folder of their own so that no other /usr/include header leaks in.
# Adding one: a source package to `cross_sources` and a krv_cross_library()
# line, or a krv_cross_headers() line, below; the native find_package() of
# the same target stays guarded by `if(NOT TARGET ...)`.
enable_language(C)

set(KRV_DEB_SRC_DIR ${CMAKE_SOURCE_DIR}/build/deb-src CACHE PATH
  "Where scripts/setup mingw unpacks Debian's sources of the cross-built libraries")
set(KRV_CROSS_INCLUDE_DIR ${CMAKE_BINARY_DIR}/third_party/include)

# krv_cross_library(TARGET PACKAGE name SOURCES globs... [EXCLUDE regexes...]
#                   INCLUDE dir): a static library of the package's C files.
function(krv_cross_library target)
  cmake_parse_arguments(A "" "PACKAGE;INCLUDE" "SOURCES;EXCLUDE" ${ARGN})
  file(GLOB dirs LIST_DIRECTORIES true ${KRV_DEB_SRC_DIR}/${A_PACKAGE}-[0-9]*)
  list(FILTER dirs EXCLUDE REGEX "\\.(tar\\..*|dsc)$")
  if(NOT dirs)
    message(FATAL_ERROR "Debian's sources of ${A_PACKAGE} are not in ${KRV_DEB_SRC_DIR}: "
      "run scripts/setup mingw")
  endif()
  list(SORT dirs)
  list(GET dirs -1 dir)
  list(TRANSFORM A_SOURCES PREPEND ${dir}/)
  file(GLOB sources ${A_SOURCES})
  foreach(regex IN LISTS A_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${regex}")
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} SYSTEM PUBLIC ${dir}/${A_INCLUDE})
  # Their code, their warnings: none of ours apply.
  target_compile_options(${target} PRIVATE -w)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    C_COMPILER_LAUNCHER "${CMAKE_CXX_COMPILER_LAUNCHER}")
endfunction()

# krv_cross_headers(TARGET paths...): paths under /usr/include.
function(krv_cross_headers target)
  foreach(path IN LISTS ARGN)
    get_filename_component(parent ${KRV_CROSS_INCLUDE_DIR}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK /usr/include/${path} ${KRV_CROSS_INCLUDE_DIR}/${path} SYMBOLIC)
  endforeach()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${KRV_CROSS_INCLUDE_DIR})
endfunction()

# ERFA: the Earth's rotation and the Sun's direction (the test programs
# and the version file, which wants autotools' config.h, left out).
krv_cross_library(krv_cross_erfa PACKAGE erfa SOURCES src/*.c INCLUDE src
  EXCLUDE "/t_erfa_c[^/]*\\.c$" "/erfaversion\\.c$")
add_library(PkgConfig::ERFA ALIAS krv_cross_erfa)

# CLI11: krvsim's options.
krv_cross_headers(krv_cross_cli11 CLI)
add_library(CLI11::CLI11 ALIAS krv_cross_cli11)

# Boost: Odeint integrates the orbits (headers only).
krv_cross_headers(krv_cross_boost boost)
add_library(Boost::headers ALIAS krv_cross_boost)
