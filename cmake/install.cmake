# The installed suite and its Debian package.
#
# PREFIX/libexec/zentara holds every program under its build-tree name, beside the
# campaign scripts: the campaign finds the programs beside itself, as it finds them
# in build/bin from the sources. PREFIX/bin holds only names that carry the suite's
# name (zentara-score-solver, zentara-campaign, ...), links to what users run
# themselves; the helpers only the campaign runs (console-log, campaign-report)
# stay in libexec. The puzzle generator, the tests and the benches serve the
# sources and are not installed.
include(GNUInstallDirs)

set(ZENTARA_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/zentara)
set(zentara_solvers score-solver frequency-solver brute-solver block-solver block-solver-6x12
  block-solver-6x6 random-solver path-solver shift-solver berserker-solver)
set(zentara_user_tools board-check board-view stat-merge)
set(zentara_helpers console-log campaign-report)

install(TARGETS ${zentara_solvers} ${zentara_user_tools} ${zentara_helpers}
  RUNTIME DESTINATION ${ZENTARA_LIBEXECDIR})
install(PROGRAMS tools/campaign DESTINATION ${ZENTARA_LIBEXECDIR})

# A Slurm task runs a copy of campaign.slurm from Slurm's spool, far from where it
# was installed: the installed copy names the suite's directory itself, as it
# stands under the prefix the installation is made for (DESTDIR staging left out).
install(CODE "set(zentara_libexecdir \"${ZENTARA_LIBEXECDIR}\")
set(zentara_slurm_source \"${PROJECT_SOURCE_DIR}/tools/campaign.slurm\")
set(zentara_slurm_staging \"${CMAKE_BINARY_DIR}/install-staging\")")
install(CODE [[
if(IS_ABSOLUTE "${zentara_libexecdir}")
  set(zentara_suite "${zentara_libexecdir}")
else()
  set(zentara_suite "${CMAKE_INSTALL_PREFIX}/${zentara_libexecdir}")
endif()
file(READ "${zentara_slurm_source}" zentara_text)
string(REPLACE "'" "'\\''" zentara_quoted "${zentara_suite}")
string(REPLACE "\nsuite=\n" "\nsuite='${zentara_quoted}'\n" zentara_installed "${zentara_text}")
if(zentara_installed STREQUAL zentara_text)
  message(FATAL_ERROR "tools/campaign.slurm has no line 'suite=' for the installed suite's directory")
endif()
# One staging file per destination: installations into two places may run at once.
string(MD5 zentara_key "$ENV{DESTDIR}|${zentara_suite}")
set(zentara_staged "${zentara_slurm_staging}/${zentara_key}/campaign.slurm")
file(WRITE "${zentara_staged}" "${zentara_installed}")
file(INSTALL "${zentara_staged}" DESTINATION "${zentara_suite}"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
]])

# PREFIX/bin/zentara-NAME -> ../libexec/zentara/NAME, relative so that a staged
# or moved installation keeps working.
file(RELATIVE_PATH zentara_bin_to_suite ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_LIBEXECDIR}/zentara)
set(zentara_links)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
foreach(name ${zentara_solvers} ${zentara_user_tools} campaign)
  file(CREATE_LINK ${zentara_bin_to_suite}/${name} ${CMAKE_BINARY_DIR}/install-links/zentara-${name} SYMBOLIC)
  list(APPEND zentara_links ${CMAKE_BINARY_DIR}/install-links/zentara-${name})
endforeach()
install(FILES ${zentara_links} DESTINATION ${CMAKE_INSTALL_BINDIR})

# The README and its pages, linked to each other as in the sources.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentara)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentara/docs
  FILES_MATCHING PATTERN "*.md")

# A manual page for each command on PATH, made from its own --help (see
# cmake/man_pages.cmake), and zentara(7) listing them.
set(zentara_man_commands)
set(zentara_man_pages)
foreach(name ${zentara_solvers} ${zentara_user_tools})
  list(APPEND zentara_man_commands "zentara-${name}=$<TARGET_FILE:${name}>")
  list(APPEND zentara_man_pages ${CMAKE_BINARY_DIR}/man/zentara-${name}.1.gz)
endforeach()
list(APPEND zentara_man_commands "zentara-campaign=${PROJECT_SOURCE_DIR}/tools/campaign")
list(APPEND zentara_man_pages ${CMAKE_BINARY_DIR}/man/zentara-campaign.1.gz)
add_custom_command(OUTPUT ${zentara_man_pages} ${CMAKE_BINARY_DIR}/man/zentara.7.gz
  COMMAND ${CMAKE_COMMAND} -DLINKS=${CMAKE_BINARY_DIR}/man/links -DOUT=${CMAKE_BINARY_DIR}/man
          -DVERSION=${PROJECT_VERSION} -DREADME=${PROJECT_SOURCE_DIR}/README.md
          "-DCOMMANDS=${zentara_man_commands}" -P ${PROJECT_SOURCE_DIR}/cmake/man_pages.cmake
  DEPENDS ${zentara_solvers} ${zentara_user_tools} tools/campaign README.md cmake/man_pages.cmake
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Writing the manual pages from each command's --help"
  VERBATIM)
add_custom_target(man-pages ALL DEPENDS ${zentara_man_pages} ${CMAKE_BINARY_DIR}/man/zentara.7.gz)
install(FILES ${zentara_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/man/zentara.7.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)

# cpack -G DEB: zentara_VERSION_ARCH.deb, the version from project() above.
set(ZENTARA_PACKAGE_MAINTAINER "Zentara maintainers <maintainers@zentara.invalid>"
  CACHE STRING "Maintainer field of the Debian package: Name <address>")

# The licence, as Debian wants it (copyright) and its changelog, compressed.
install(FILES cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentara)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(debian-changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentara)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentara)
set(CPACK_PACKAGE_VENDOR Zentara)
set(CPACK_PACKAGE_CONTACT "${ZENTARA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unattended solvers for edge-matching puzzles")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ten console solvers for a 16 x 16 edge-matching puzzle and its 6 x 12 and
6 x 6 relatives, each its own search strategy, meeting through files in their
working directory; a board checker, board pictures, a statistics merge, and
campaigns of one solver per core on one machine, over ssh or as a Slurm job
array.")
# A build for a user's own piece set says so in the version and the description,
# so that its package and ours cannot be taken for each other: 1.0.0+set16x16.3f9a2c41d07b.
if(NOT ZENTARA_PIECE_SETS STREQUAL "built-in")
  string(REGEX REPLACE "([0-9x]+) built-in(, )?" "" own_sets "${ZENTARA_PIECE_SETS}")
  string(REGEX REPLACE "([0-9x]+) ([0-9a-f]+)" "set\\1.\\2" own_sets "${own_sets}")
  string(REGEX REPLACE "[, ]+" "." own_sets "${own_sets}")
  string(REGEX REPLACE "\\.$" "" own_sets "${own_sets}")
  set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}+${own_sets}")
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "\nBuilt for the user's own piece set (${ZENTARA_PIECE_SETS}), not the suite's own.")
endif()
# The changelog names the package's version (a build for a user's set has its own).
if(CPACK_DEBIAN_PACKAGE_VERSION)
  set(ZENTARA_CHANGELOG_VERSION ${CPACK_DEBIAN_PACKAGE_VERSION})
else()
  set(ZENTARA_CHANGELOG_VERSION ${PROJECT_VERSION})
endif()
configure_file(cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link, with the versions they need, as dpkg-shlibdeps
# reads them off the binaries; without it, the same names unversioned.
find_program(ZENTARA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZENTARA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
# Campaigns: GNU parallel on one machine or over ssh; Slurm's client for job arrays.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "parallel")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "slurm-client, openssh-client")
# The source package is not made by CPack (the sources live in git).
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
