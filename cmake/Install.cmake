# SPDX-License-Identifier: MIT
# What `cmake --install` puts where (GNUInstallDirs): the two programs in bin,
# their manual pages in man1 (compressed with gzip -9n, as Debian ships them),
# the documents for job producers, the example jobs, the changelog and the
# copyright file in share/doc/vexlan.
# Tests, fuzz targets and benchmarks have no install rules and stay out.
include(GNUInstallDirs)

install(TARGETS vexlan vexlan-job RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages: the version is filled in, then the page is compressed without
# a name or time stamp, so that the same sources give the same bytes.
find_program(VEXLAN_GZIP gzip REQUIRED)
set(VEXLAN_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(VEXLAN_MAN_PAGES)
foreach(page vexlan.1 vexlan-job.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page} ${VEXLAN_MAN_DIR}/src/${page} @ONLY)
  add_custom_command(OUTPUT ${VEXLAN_MAN_DIR}/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${VEXLAN_MAN_DIR}/src/${page} ${VEXLAN_MAN_DIR}/${page}
    COMMAND ${VEXLAN_GZIP} -9nf ${VEXLAN_MAN_DIR}/${page}
    DEPENDS ${VEXLAN_MAN_DIR}/src/${page}
    COMMENT "Compressing manual page ${page}"
    VERBATIM)
  list(APPEND VEXLAN_MAN_PAGES ${VEXLAN_MAN_DIR}/${page}.gz)
endforeach()
add_custom_target(vexlan-man ALL DEPENDS ${VEXLAN_MAN_PAGES})
install(FILES ${VEXLAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Documents: the package's name in lower case, whatever the project is called.
# As Debian policy asks, a document over 4 kB is installed compressed
# (gzip -9n: no name or time stamp inside), as is the changelog; the
# copyright file never is. Which documents are compressed is decided when
# CMake runs, so each of them makes CMake run again when it changes.
set(VEXLAN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vexlan)
set(VEXLAN_DOC_DIR ${PROJECT_BINARY_DIR}/doc)
set(VEXLAN_DOCS)
function(vexlan_gzip_doc src name)
  add_custom_command(OUTPUT ${VEXLAN_DOC_DIR}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXLAN_DOC_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${VEXLAN_DOC_DIR}/${name}
    COMMAND ${VEXLAN_GZIP} -9nf ${VEXLAN_DOC_DIR}/${name}
    DEPENDS ${src}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(VEXLAN_DOCS ${VEXLAN_DOCS} ${VEXLAN_DOC_DIR}/${name}.gz PARENT_SCOPE)
endfunction()
foreach(doc README.md docs/job-format.md docs/packed-format.md)
  set(_src ${PROJECT_SOURCE_DIR}/${doc})
  get_filename_component(_name ${doc} NAME)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_src})
  file(SIZE ${_src} _size)
  if(_size GREATER 4096)
    vexlan_gzip_doc(${_src} ${_name})
  else()
    install(FILES ${_src} DESTINATION ${VEXLAN_INSTALL_DOCDIR})
  endif()
endforeach()
vexlan_gzip_doc(${PROJECT_SOURCE_DIR}/packaging/deb/changelog changelog)
add_custom_target(vexlan-docs ALL DEPENDS ${VEXLAN_DOCS})
install(FILES ${VEXLAN_DOCS} ${PROJECT_SOURCE_DIR}/packaging/deb/copyright
  DESTINATION ${VEXLAN_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/examples/ DESTINATION ${VEXLAN_INSTALL_DOCDIR}/examples)

# The producer kit: the C header (vexlan/job.h), the Python module
# (vexlan_job, where Debian's python3 finds modules of any Python 3 version)
# and the JSON Schema of `vexlan-job build` input. The C and Python example
# producers go with the example jobs above.
install(FILES ${PROJECT_SOURCE_DIR}/include/vexlan/job.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vexlan)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/vexlan_job DESTINATION lib/python3/dist-packages
  FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/docs/job.schema.json DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vexlan)
