# The address of the Debian archive that this machine's apt uses, for the source tarballs
# that the build fetches from the archive's pool (pinned by SHA-256 where they are used).
# Read at configure time from apt's own configuration: the URIs: fields of the deb822 files
# /etc/apt/sources.list.d/*.sources, then the deb/deb-src lines of /etc/apt/sources.list and
# /etc/apt/sources.list.d/*.list; the first address whose path ends in /debian (not the
# security archive) wins. -DTASTORA_DEBIAN_ARCHIVE=<address> overrides it.
#
#   tastora_debian_archive(<variable>)   sets <variable> to the address, without a final /
include_guard(GLOBAL)

set(TASTORA_DEBIAN_ARCHIVE "" CACHE STRING "Debian archive address (default: taken from apt's configuration)")

function(_tastora_archive_from_uris out)
  set(found "")
  foreach(uri IN LISTS ARGN)
    string(REGEX REPLACE "/+$" "" uri "${uri}")
    if(NOT found AND uri MATCHES "^(https?|ftp)://.+/debian$")
      set(found "${uri}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

function(tastora_debian_archive out)
  if(TASTORA_DEBIAN_ARCHIVE)
    string(REGEX REPLACE "/+$" "" archive "${TASTORA_DEBIAN_ARCHIVE}")
    set(${out} "${archive}" PARENT_SCOPE)
    return()
  endif()
  set(uris)
  file(GLOB deb822 /etc/apt/sources.list.d/*.sources)
  foreach(f IN LISTS deb822)
    file(STRINGS "${f}" lines REGEX "^[ \t]*URIs:")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*URIs:[ \t]*" "" line "${line}")
      string(REGEX REPLACE "[ \t]+" ";" line "${line}")
      list(APPEND uris ${line})
    endforeach()
  endforeach()
  file(GLOB one_line /etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  foreach(f IN LISTS one_line)
    file(STRINGS "${f}" lines REGEX "^[ \t]*deb(-src)?[ \t]")
    foreach(line IN LISTS lines)
      # deb [options] address suite components
      string(REGEX REPLACE "\\[[^]]*\\]" "" line "${line}")
      string(REGEX REPLACE "^[ \t]*deb(-src)?[ \t]+([^ \t]+).*$" "\\2" line "${line}")
      list(APPEND uris "${line}")
    endforeach()
  endforeach()
  _tastora_archive_from_uris(archive ${uris})
  if(NOT archive)
    message(FATAL_ERROR "No Debian archive found in apt's configuration (/etc/apt/sources.list.d/*.sources, "
      "/etc/apt/sources.list); give one with -DTASTORA_DEBIAN_ARCHIVE=<address>")
  endif()
  set(${out} "${archive}" PARENT_SCOPE)
endfunction()
