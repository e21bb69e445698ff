# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build build --target
# package`) makes velmark_<version>_<arch>.deb from what `cmake --install` installs, with
# its dependencies found by dpkg-shlibdeps from the programs themselves.
include(GNUInstallDirs)

set(VELMARK_MAINTAINER "the Velmark developers <support@tessaly.example>")
set(VELMARK_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/velmark)

# The licence as the package's copyright file, and a changelog of the release.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VELMARK_DOCDIR} RENAME copyright)

# The release date in the changelog's form ("Tue, 08 Dec 2026 00:00:00 +0000"): the
# weekday by Zeller's congruence.
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" date_ok "${VELMARK_RELEASE_DATE}")
if(NOT date_ok)
  message(FATAL_ERROR "VELMARK_RELEASE_DATE is not YYYY-MM-DD: ${VELMARK_RELEASE_DATE}")
endif()
math(EXPR year "${CMAKE_MATCH_1}")
math(EXPR month "1${CMAKE_MATCH_2} - 100")
math(EXPR day "1${CMAKE_MATCH_3} - 100")
set(day_text ${CMAKE_MATCH_3})
if(month LESS 3)
  math(EXPR z_month "${month} + 12")
  math(EXPR z_year "${year} - 1")
else()
  set(z_month ${month})
  set(z_year ${year})
endif()
math(EXPR weekday "(${day} + (13 * (${z_month} + 1)) / 5 + ${z_year} + ${z_year} / 4 - ${z_year} / 100 + ${z_year} / 400) % 7")
set(weekday_names Sat Sun Mon Tue Wed Thu Fri)
list(GET weekday_names ${weekday} weekday_name)
math(EXPR month_index "${month} - 1")
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET month_names ${month_index} month_name)
set(VELMARK_RELEASE_DATE_RFC2822 "${weekday_name}, ${day_text} ${month_name} ${year} 00:00:00 +0000")
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog DESTINATION ${VELMARK_DOCDIR})

# The programs linked with their relocations resolved at start and then made read-only
# (relro, bindnow), as Debian builds its own.
foreach(program ${VELMARK_PROGRAMS})
  target_link_options(${program} PRIVATE -Wl,-z,relro -Wl,-z,now)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmark)
set(CPACK_PACKAGE_VENDOR "the Velmark developers")
set(CPACK_PACKAGE_CONTACT "${VELMARK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure how fast an optical drive delivers data")
# The long description as the control file shows it: lines of at most 80 columns, an empty
# line between paragraphs.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Velmark talks to an optical drive with SCSI MMC commands below any file"
  "system, reads a range of blocks in timed commands and reports the average"
  "speed, the highest speed and the highest single-command burst, for data"
  "sectors and for digital audio extraction alike."
  ""
  "It comes with a speed-test window, a scan window that draws the transfer-rate"
  "curve across the disc and names the drive's reading strategy, a command-line"
  "program for scripts, a probe that says why a drive is or is not reachable,"
  "and a built-in simulated machine to try them without a drive.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmark_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessaly.example/velmark")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStaging.cmake)
include(CPack)
