# What `cmake --install` puts where (GNUInstallDirs): the two programs in bin,
# their manual pages in man1 (compressed with gzip -9n, as Debian ships them),
# the documents for job producers and the example jobs in share/doc/vexlan.
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
set(VEXLAN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vexlan)
install(FILES
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/docs/job-format.md
    ${PROJECT_SOURCE_DIR}/docs/packed-format.md
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
