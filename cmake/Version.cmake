# SPDX-License-Identifier: MIT
# The version in the forms its users need, all from project():
#   VEXLAN_VERSION_SHORT   "1.1"      the About box ("Vexlan 1.1 版")
#   VEXLAN_VERSION_QUAD    "1.1.0.0"  the Windows version resource's numbers
#   VEXLAN_VERSION_COMMAS  "1, 1, 0, 0" its FileVersion/ProductVersion strings
# and the compile definitions the programs print them with.
foreach(_part MAJOR MINOR PATCH TWEAK)
  set(_v "${PROJECT_VERSION_${_part}}")
  if(NOT _v)
    set(_v 0)
  endif()
  set(VEXLAN_VERSION_${_part} ${_v})
endforeach()
set(VEXLAN_VERSION_SHORT "${VEXLAN_VERSION_MAJOR}.${VEXLAN_VERSION_MINOR}")
set(VEXLAN_VERSION_QUAD
  "${VEXLAN_VERSION_MAJOR}.${VEXLAN_VERSION_MINOR}.${VEXLAN_VERSION_PATCH}.${VEXLAN_VERSION_TWEAK}")
set(VEXLAN_VERSION_COMMAS
  "${VEXLAN_VERSION_MAJOR}, ${VEXLAN_VERSION_MINOR}, ${VEXLAN_VERSION_PATCH}, ${VEXLAN_VERSION_TWEAK}")

# The version lines of packaging/deb/changelog's top entry must name this
# version: a package whose changelog tells of another release is refused here,
# before anything is built.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/deb/changelog _top LIMIT_COUNT 1)
if(NOT _top MATCHES "^vexlan \\(([^)]+)\\)")
  message(FATAL_ERROR "packaging/deb/changelog: the first line is not a changelog entry's heading")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/deb/changelog tells of ${CMAKE_MATCH_1}, project() says "
    "${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION} on top of the changelog")
endif()
