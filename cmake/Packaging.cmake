# SPDX-License-Identifier: MIT
# The Debian package, made with CPack's DEB generator (scripts/package runs
# `cpack -G DEB` in a Release tree). It holds what cmake/Install.cmake
# installs, under /usr.
#
# Dependencies: the shared libraries the two programs link (Qt, libjpeg-turbo,
# zlib, the C++ runtime) are found by dpkg-shlibdeps, not kept by hand. Qt 6's
# xcb and offscreen platform plugins and its CUPS print plugin come with those
# Qt libraries (libqt6gui6, libqt6printsupport6). What no linker sees is
# listed here: the fonts the Windows face names are drawn with (CJK, the
# metric-compatible Liberation faces, DejaVu for the rest), without which
# pages are drawn in whatever font happens to be installed, or not at all.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexlan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vexlan")
set(CPACK_PACKAGE_CONTACT "Vexlan maintainers <maintainers@users.noreply.c-seed-38231161.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "one-shot page printer for pages laid out by other programs")
# The long description, one paragraph per list element; CPack indents the
# lines and puts the summary above them.
string(JOIN "\n\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A job producer lays out one page of text lines, JPEG images, blocks of
text lines and frames, writes it as a binary job file beside the program
and starts it. Vexlan reads the job, deletes it, opens straight in Print
Preview, prints through CUPS and exits by itself. Window-less runs print
directly or render the page into PDF or PNG."
  "Job strings may be in code page 936 (GBK) or UTF-8; Windows face names
such as SimSun or Arial are drawn with installed fonts of the same
metrics. The vexlan-job tool builds job files from JSON and packs images
and texts.")

# "text" is where Debian keeps the programs that lay text out for printers
# (a2ps, enscript, paps).
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Each font dependency names, best first, every package whose families the
# font table (src/linux/surface/font_mapper.cpp) accepts for those faces:
#   宋体, the default face: AR PL UMing CN, Noto Serif CJK SC, WenQuanYi Zen Hei
#   黑体 (and 微软雅黑 after Micro Hei): WenQuanYi Zen Hei, Noto Sans CJK SC, AR PL UMing CN
#   Arial, Times New Roman, Courier New: Liberation (either release) or Arimo/Tinos/Cousine
#   Tahoma, Verdana and the dialog faces, and Qt's own texts: DejaVu Sans
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-arphic-uming | fonts-noto-cjk | fonts-wqy-zenhei"
  "fonts-wqy-zenhei | fonts-noto-cjk | fonts-arphic-uming"
  "fonts-liberation2 | fonts-liberation | fonts-croscore"
  "fonts-dejavu-core"
  # The producers' Python module (vexlan_job in dist-packages) runs on it.
  "python3:any")
# Printing is the program's main job: a local scheduler prints on this
# machine's queues (without one, CUPS_SERVER still reaches a print server).
# Qt's own print dialog and buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, qt6-translations-l10n")
# Closer stand-ins for faces the table otherwise draws with a neighbour
# (楷体, 微软雅黑, Calibri, Cambria); Wayland sessions can run the window
# natively instead of through XWayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
  "fonts-arphic-ukai, fonts-wqy-microhei, fonts-crosextra-carlito, fonts-crosextra-caladea, qt6-wayland")
set(VEXLAN_HOMEPAGE "" CACHE STRING "Homepage field of the Debian package (empty: none)")
if(VEXLAN_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VEXLAN_HOMEPAGE})
endif()
set(CPACK_STRIP_FILES ON)
# Reproducible: the same sources give the same bytes. Files and directories
# get fixed modes; scripts/package sets SOURCE_DATE_EPOCH (the last commit's
# time), which CPack and dpkg-deb stamp the archive with.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

include(CPack)
