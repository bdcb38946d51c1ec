# libjpeg-turbo cross-built for the mingw build, from Debian 12's source package
# (1:2.1.5-2): the upstream tarball of Debian's pool and Debian's patches, both pinned by
# SHA-256, from the archive that apt is configured with (cmake/debian_archive.cmake). The native build uses Debian's libjpeg62-turbo of the same version instead.
#
#   tastora_add_libjpeg(<target> [OPTIONS <cmake -D options of libjpeg-turbo>...])
#
# builds a static libjpeg with this build's toolchain through ExternalProject_Add into
# <build folder>/deps/<target> and makes <target> an imported static library (include
# folder attached) that depends on that build: linking it builds libjpeg first. Always
# built as a static library without TurboJPEG and Java; OPTIONS add to that (SIMD,
# flags). A change of the options or the toolchain builds it again. The downloads are
# kept in build/deps/download of the source tree, shared by every build folder.
include_guard(GLOBAL)
include(ExternalProject)
include("${CMAKE_CURRENT_LIST_DIR}/debian_archive.cmake")

set(TASTORA_LIBJPEG_VERSION 2.1.5)
tastora_debian_archive(TASTORA_DEBIAN_POOL_ROOT)
set(TASTORA_LIBJPEG_POOL "${TASTORA_DEBIAN_POOL_ROOT}/pool/main/libj/libjpeg-turbo")
set(TASTORA_LIBJPEG_URL "${TASTORA_LIBJPEG_POOL}/libjpeg-turbo_2.1.5.orig.tar.gz")
set(TASTORA_LIBJPEG_SHA256 254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c)
set(TASTORA_LIBJPEG_DEBIAN_URL "${TASTORA_LIBJPEG_POOL}/libjpeg-turbo_2.1.5-2.debian.tar.xz")
set(TASTORA_LIBJPEG_DEBIAN_SHA256 cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237)
set(TASTORA_LIBJPEG_DOWNLOADS "${CMAKE_CURRENT_LIST_DIR}/../build/deps/download")
set(TASTORA_LIBJPEG_PATCHER "${CMAKE_CURRENT_LIST_DIR}/debian_patches.cmake")

function(tastora_add_libjpeg target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "OPTIONS")
  string(MAKE_C_IDENTIFIER "${target}" name)
  set(prefix "${CMAKE_BINARY_DIR}/deps/${name}")
  set(library "${prefix}/lib/${CMAKE_STATIC_LIBRARY_PREFIX}jpeg${CMAKE_STATIC_LIBRARY_SUFFIX}")
  set(toolchain_args)
  if(CMAKE_TOOLCHAIN_FILE)
    set(toolchain_args "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
  endif()
  ExternalProject_Add(${name}_build
    URL "${TASTORA_LIBJPEG_URL}"
    URL_HASH SHA256=${TASTORA_LIBJPEG_SHA256}
    DOWNLOAD_DIR "${TASTORA_LIBJPEG_DOWNLOADS}"
    DOWNLOAD_EXTRACT_TIMESTAMP OFF
    PREFIX "${prefix}-build"
    INSTALL_DIR "${prefix}"
    PATCH_COMMAND ${CMAKE_COMMAND} -DURL=${TASTORA_LIBJPEG_DEBIAN_URL}
      -DSHA256=${TASTORA_LIBJPEG_DEBIAN_SHA256} -DDOWNLOAD_DIR=${TASTORA_LIBJPEG_DOWNLOADS}
      -DSOURCE_DIR=<SOURCE_DIR> -P "${TASTORA_LIBJPEG_PATCHER}"
    CMAKE_ARGS ${toolchain_args} -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
      -DCMAKE_INSTALL_LIBDIR:PATH=lib -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
      -DWITH_JAVA=OFF ${arg_OPTIONS}
    BUILD_BYPRODUCTS "${library}"
    LOG_DOWNLOAD ON LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
  # The include folder must exist when the imported target is defined.
  file(MAKE_DIRECTORY "${prefix}/include")
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION "${library}"
    INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include")
  add_dependencies(${target} ${name}_build)
endfunction()
