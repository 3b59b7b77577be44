# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Read by cpack before it makes a package. The Debian package's dependencies are computed from the
# program by dpkg-shlibdeps, and CPack tells binaries apart with file; without either it would make
# a package that lacks its Qt libraries.
if(CPACK_GENERATOR STREQUAL "DEB")
  foreach(tool_package IN ITEMS "dpkg-shlibdeps:dpkg-dev" "file:file")
    string(REPLACE ":" ";" tool_package "${tool_package}")
    list(GET tool_package 0 tool)
    list(GET tool_package 1 package)
    find_program(limnora_${tool} ${tool})
    if(NOT limnora_${tool})
      message(FATAL_ERROR "The package's dependencies need ${tool}, from the Debian package "
                          "${package}: sudo apt-get install ${package}")
    endif()
  endforeach()
endif()
