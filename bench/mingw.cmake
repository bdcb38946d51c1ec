# The benchmark programs for Windows (included by the mingw build): every
# bench/<name>_bench.cpp as build/mingw/bench/<name>.exe, on the Win32 file layer and our
# cross-built libjpeg, and the start-up baseline build/mingw/bench/baseline.exe.
# Nothing here is part of the default build: the target `benchmarks` builds them (scripts/
# bench-wine.sh does), and only then is Google Benchmark fetched and cross-built.
include(ExternalProject)
include("${TASTORA_ROOT}/cmake/debian_archive.cmake")

# Debian has no mingw build of Google Benchmark: Debian 12's source (the upstream release,
# as Debian's pool keeps it), pinned by its checksum, built statically for this toolchain.
set(TASTORA_BENCHMARK_VERSION 1.7.1)
tastora_debian_archive(TASTORA_BENCHMARK_ARCHIVE)
set(TASTORA_BENCHMARK_PREFIX "${CMAKE_BINARY_DIR}/deps/benchmark")
ExternalProject_Add(google_benchmark_mingw
  URL "${TASTORA_BENCHMARK_ARCHIVE}/pool/main/b/benchmark/benchmark_${TASTORA_BENCHMARK_VERSION}.orig.tar.gz"
  URL_HASH SHA256=6430e4092653380d9dc4ccb45a1e2dc9259d581f4866dc0759713126056bc1d7
  DOWNLOAD_DIR "${TASTORA_ROOT}/build/deps/src"
  DOWNLOAD_EXTRACT_TIMESTAMP ON
  PREFIX "${CMAKE_BINARY_DIR}/deps/benchmark-build"
  INSTALL_DIR "${TASTORA_BENCHMARK_PREFIX}"
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_INSTALL_LIBDIR=lib
    -DBUILD_SHARED_LIBS=OFF
    -DBENCHMARK_ENABLE_TESTING=OFF
    -DBENCHMARK_ENABLE_GTEST_TESTS=OFF
    -DBENCHMARK_ENABLE_WERROR=OFF
    -DBENCHMARK_ENABLE_LTO=OFF
    -DBENCHMARK_ENABLE_INSTALL=ON
  BUILD_BYPRODUCTS
    "${TASTORA_BENCHMARK_PREFIX}/lib/libbenchmark.a"
    "${TASTORA_BENCHMARK_PREFIX}/lib/libbenchmark_main.a"
  EXCLUDE_FROM_ALL ON)
# The imported targets name the folders before the library is built.
file(MAKE_DIRECTORY "${TASTORA_BENCHMARK_PREFIX}/include")
add_library(tastora_benchmark_mingw STATIC IMPORTED)
set_target_properties(tastora_benchmark_mingw PROPERTIES
  IMPORTED_LOCATION "${TASTORA_BENCHMARK_PREFIX}/lib/libbenchmark.a"
  INTERFACE_INCLUDE_DIRECTORIES "${TASTORA_BENCHMARK_PREFIX}/include"
  INTERFACE_COMPILE_DEFINITIONS BENCHMARK_STATIC_DEFINE
  INTERFACE_LINK_LIBRARIES shlwapi)
add_dependencies(tastora_benchmark_mingw google_benchmark_mingw)
add_library(tastora_benchmark_main_mingw STATIC IMPORTED)
set_target_properties(tastora_benchmark_main_mingw PROPERTIES
  IMPORTED_LOCATION "${TASTORA_BENCHMARK_PREFIX}/lib/libbenchmark_main.a"
  INTERFACE_LINK_LIBRARIES tastora_benchmark_mingw)

# The benchmarks read the course data that the native build generates (build/native/data,
# seen by Wine on drive Z:); TASTORA_DATA_DIR in the environment overrides it.
set(TASTORA_BENCH_DATA_DIR "Z:${TASTORA_ROOT}/build/native/data")
add_library(tastora_bench_support_mingw STATIC EXCLUDE_FROM_ALL
  "${TASTORA_ROOT}/tests/support/fake_ui.cpp" "${TASTORA_ROOT}/tests/support/exercise_data.cpp"
  "${TASTORA_ROOT}/tests/support/test_files.cpp" "${TASTORA_ROOT}/tests/support/swf_samples.cpp")
target_compile_definitions(tastora_bench_support_mingw PUBLIC TASTORA_DATA_DIR="${TASTORA_BENCH_DATA_DIR}"
  PRIVATE TASTORA_NO_PNG)
target_link_libraries(tastora_bench_support_mingw PUBLIC tastora_logic tastora_swf_lib)

add_custom_target(benchmarks)
# The same benchmark programs as the native build's (TASTORA_BENCHMARKS, top CMakeLists.txt).
foreach(bench IN LISTS TASTORA_BENCHMARKS)
  set(name ${bench}_bench)
  set(src "${TASTORA_ROOT}/bench/${name}.cpp")
  # The Win32 file layer is linked in whole, as tastora.exe has it (the logic library needs it).
  add_executable(${name} EXCLUDE_FROM_ALL "${src}" "${TASTORA_ROOT}/win32/files_win32.cpp")
  target_compile_options(${name} PRIVATE -O2)
  # benchmark_main supplies main() unless the file has its own BENCHMARK_MAIN().
  target_link_libraries(${name} PRIVATE tastora_bench_support_mingw tastora_benchmark_main_mingw)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
  add_dependencies(benchmarks ${name})
endforeach()

# The baseline of the start-up figure: a plain Win32 program with tastora.exe's imports.
add_executable(baseline WIN32 EXCLUDE_FROM_ALL "${TASTORA_ROOT}/bench/baseline/baseline.cpp")
target_compile_definitions(baseline PRIVATE UNICODE _UNICODE)
target_compile_options(baseline PRIVATE -municode)
target_link_options(baseline PRIVATE -municode -mwindows)
target_link_libraries(baseline PRIVATE ${TASTORA_WIN32_LIBS})
set_target_properties(baseline PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
add_dependencies(benchmarks baseline)

# The second baseline, which also hosts the Flash control (bench/baseline/baseline.cpp): the
# control and its manifest are copied beside it.
add_executable(baseline_control WIN32 EXCLUDE_FROM_ALL "${TASTORA_ROOT}/bench/baseline/baseline.cpp")
target_compile_definitions(baseline_control PRIVATE UNICODE _UNICODE BASELINE_HOSTS_CONTROL)
target_compile_options(baseline_control PRIVATE -municode)
target_link_options(baseline_control PRIVATE -municode -mwindows)
target_link_libraries(baseline_control PRIVATE ${TASTORA_WIN32_LIBS})
set_target_properties(baseline_control PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
add_dependencies(baseline_control swflash)
add_custom_command(TARGET baseline_control POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:swflash>" "${CMAKE_BINARY_DIR}/bench/SWFLASH.OCX"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TASTORA_ROOT}/win32/control.manifest"
          "${CMAKE_BINARY_DIR}/bench/control.manifest")
add_dependencies(benchmarks baseline_control)
