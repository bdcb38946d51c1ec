# What makes tastora.exe a released program: the version resource, the application icon
# and the manifest (win32/version.rc), and a reproducible link. Included by the mingw
# build once the target tastora exists.
#
#   TASTORA_BUILD_NUMBER   the third part of the version (1.3.<build>): scripts/package.sh
#                          passes the number of commits; otherwise it is counted here
#                          when the build folder is configured (0 outside a git checkout).
set(TASTORA_VERSION_MAJOR 1)
set(TASTORA_VERSION_MINOR 3)
set(TASTORA_PUBLISHER "Tastora Project")
if(NOT DEFINED TASTORA_BUILD_NUMBER)
  execute_process(COMMAND git -C "${TASTORA_ROOT}" rev-list --count HEAD
    OUTPUT_VARIABLE commits OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE git_result)
  if(git_result EQUAL 0 AND commits MATCHES "^[0-9]+$")
    set(TASTORA_BUILD_NUMBER ${commits})
  else()
    set(TASTORA_BUILD_NUMBER 0)
  endif()
endif()
if(NOT TASTORA_BUILD_NUMBER MATCHES "^[0-9]+$" OR TASTORA_BUILD_NUMBER GREATER 65535)
  message(FATAL_ERROR "TASTORA_BUILD_NUMBER must be a number from 0 to 65535 (got '${TASTORA_BUILD_NUMBER}')")
endif()
set(TASTORA_VERSION "${TASTORA_VERSION_MAJOR}.${TASTORA_VERSION_MINOR}.${TASTORA_BUILD_NUMBER}")
set(TASTORA_VERSION_QUAD "${TASTORA_VERSION}.0")
message(STATUS "Tastora version ${TASTORA_VERSION}")

set(gen "${CMAKE_BINARY_DIR}/generated")
set(TASTORA_ICON_FILE "${gen}/tastora.ico")
set(TASTORA_MANIFEST_FILE "${gen}/tastora.manifest")
set(TASTORA_TEACHER_MANIFEST_FILE "${gen}/tastora-teacher.manifest")
# One manifest template for both programs, each with its own name and description.
set(TASTORA_MANIFEST_NAME "Tastora")
set(TASTORA_MANIFEST_DESCRIPTION "Tastora touch-typing tutor")
configure_file("${TASTORA_ROOT}/win32/tastora.manifest.in" "${TASTORA_MANIFEST_FILE}" @ONLY)
set(TASTORA_MANIFEST_NAME "Tastora.Journal")
set(TASTORA_MANIFEST_DESCRIPTION "Tastora class journal")
configure_file("${TASTORA_ROOT}/win32/tastora.manifest.in" "${TASTORA_TEACHER_MANIFEST_FILE}" @ONLY)
configure_file("${TASTORA_ROOT}/win32/tastora_version.h.in" "${gen}/tastora_version.h" @ONLY)
file(WRITE "${CMAKE_BINARY_DIR}/version.txt" "${TASTORA_VERSION}\n")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT "${TASTORA_ICON_FILE}"
  COMMAND Python3::Interpreter "${TASTORA_ROOT}/win32/icon/make_icon.py" "${TASTORA_ICON_FILE}"
  DEPENDS "${TASTORA_ROOT}/win32/icon/make_icon.py"
  COMMENT "Drawing the application icon"
  VERBATIM)
set_property(SOURCE "${TASTORA_ROOT}/win32/version.rc" APPEND PROPERTY OBJECT_DEPENDS
  "${TASTORA_ICON_FILE}" "${TASTORA_MANIFEST_FILE}" "${gen}/tastora_version.h")
target_include_directories(tastora PRIVATE "${gen}")

# tastora-teacher.exe, the class journal: the same icon, version numbers and manifest style.
set_property(SOURCE "${TASTORA_ROOT}/win32/teacher/teacher.rc" APPEND PROPERTY OBJECT_DEPENDS
  "${TASTORA_ICON_FILE}" "${TASTORA_TEACHER_MANIFEST_FILE}" "${gen}/tastora_version.h")
target_include_directories(tastora_teacher PRIVATE "${gen}")

# The same sources give the same bytes: no link time stamp in the PE header, no build
# folder in the code, no symbol table.
target_link_options(tastora PRIVATE -Wl,--no-insert-timestamp -s)
target_link_options(tastora_teacher PRIVATE -Wl,--no-insert-timestamp -s)
foreach(t tastora tastora_teacher ${TASTORA_LOGIC_LIBRARIES})
  target_compile_options(${t} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${TASTORA_ROOT}/=>")
endforeach()
