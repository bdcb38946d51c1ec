# Applies a Debian source package's patches to an unpacked upstream tree (the patch step
# of tastora_add_libjpeg): downloads the package's debian.tar.xz (pinned by SHA-256),
# unpacks it and applies debian/patches/series in order with patch -p1.
#   cmake -DURL=... -DSHA256=... -DDOWNLOAD_DIR=... -DSOURCE_DIR=... -P debian_patches.cmake
foreach(var URL SHA256 DOWNLOAD_DIR SOURCE_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "debian_patches.cmake: ${var} not given")
  endif()
endforeach()

get_filename_component(file_name "${URL}" NAME)
set(archive "${DOWNLOAD_DIR}/${file_name}")
file(DOWNLOAD "${URL}" "${archive}" EXPECTED_HASH SHA256=${SHA256} STATUS status)
list(GET status 0 code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "debian_patches.cmake: downloading ${URL} failed: ${status}")
endif()

file(REMOVE_RECURSE "${SOURCE_DIR}/debian")
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${SOURCE_DIR}")
find_program(PATCH patch REQUIRED)
file(STRINGS "${SOURCE_DIR}/debian/patches/series" series REGEX "^[^#]")
foreach(p IN LISTS series)
  string(STRIP "${p}" p)
  execute_process(COMMAND "${PATCH}" -p1 --forward --batch -i "${SOURCE_DIR}/debian/patches/${p}"
    WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "debian_patches.cmake: ${p} does not apply:\n${out}")
  endif()
  message(STATUS "applied debian/patches/${p}")
endforeach()
