# What `cmake --install` puts where, the desktop integration (entry, icons,
# AppStream metainfo), the Windows version record and the Debian packages.
# Included at the end of the top-level CMakeLists.txt, once every target
# exists. Everything installed belongs to one of two components, which are
# the two Debian packages: `window` (md5zevrin, the window program and its
# desktop files) and `cli` (md5zevrin-cli, which a server can install alone).

set(MD5Z_APP_ID "io.github.zevrin.MD5Zevrin")
set(MD5Z_DESKTOP_SOURCE_DIR "${PROJECT_SOURCE_DIR}/desktop")
set(MD5Z_DESKTOP_BINARY_DIR "${PROJECT_BINARY_DIR}/desktop")
set(MD5Z_PRODUCT_HEADER "${PROJECT_SOURCE_DIR}/src/window/product.h")
set(MD5Z_DESCRIPTION_ZH "MD5Zevrin - MD5 加密工具")
set(MD5Z_SUMMARY_EN "Show the MD5 digest of a short text")

# The product data (developer, notices, addresses) lives in product.h for the
# program; the packaging files take the same words from there. A long
# definition may be wrapped after its "=".
function(md5z_product_text constant out)
  file(READ "${MD5Z_PRODUCT_HEADER}" header)
  if(NOT header MATCHES "[ \n]${constant} =[ \n]+u\"([^\"]*)\"")
    message(FATAL_ERROR "${MD5Z_PRODUCT_HEADER} has no text constant ${constant}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${MD5Z_PRODUCT_HEADER}")

md5z_product_text(kDeveloperHandle MD5Z_DEVELOPER)
md5z_product_text(kDeveloperEmail MD5Z_DEVELOPER_EMAIL)
md5z_product_text(kLastUpdate MD5Z_RELEASE_DATE)
md5z_product_text(kRightsNotice MD5Z_RIGHTS_NOTICE)
md5z_product_text(kLegalNotice MD5Z_LEGAL_NOTICE)
md5z_product_text(kHomePageAddress MD5Z_HOMEPAGE)
set(MD5Z_MAINTAINER "${MD5Z_DEVELOPER} <${MD5Z_DEVELOPER_EMAIL}>")

# The licence is MIT: SPDX calls it MIT, Debian's copyright format Expat.
set(MD5Z_LICENSE_SPDX MIT)
set(MD5Z_LICENSE_DEBIAN Expat)

# --- Programs -----------------------------------------------------------------

if(TARGET md5zevrin)
  install(TARGETS md5zevrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
endif()
if(TARGET md5zevrin-cli)
  install(TARGETS md5zevrin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
endif()

# --- Windows version record and program file icon ------------------------------

# A resource script is a C-like language: a double quote inside a string is
# written twice.
function(md5z_rc_escape text out)
  string(REPLACE "\"" "\"\"" escaped "${text}")
  set(${out} "${escaped}" PARENT_SCOPE)
endfunction()

set(MD5Z_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")

set(MD5Z_POINTER_FILE "${PROJECT_SOURCE_DIR}/assets/command.cur")
set(MD5Z_BACKGROUND_FILE "${PROJECT_SOURCE_DIR}/assets/background.bmp")
set(MD5Z_VERSION_DOTS
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(MD5Z_MANIFEST_FILE "${MD5Z_DESKTOP_BINARY_DIR}/md5zevrin.manifest")
configure_file("${MD5Z_DESKTOP_SOURCE_DIR}/md5zevrin.manifest.in" "${MD5Z_MANIFEST_FILE}" @ONLY)
# The resource numbers of the pictures, for the script and for the Win32
# window that loads them.
set(MD5Z_RC_ICON 1)
set(MD5Z_RC_POINTER 2)
set(MD5Z_RC_BACKGROUND 3)
foreach(field IN ITEMS DEVELOPER DESCRIPTION_ZH RIGHTS_NOTICE LEGAL_NOTICE)
  md5z_rc_escape("${MD5Z_${field}}" MD5Z_RC_${field})
endforeach()
# Configured on every system so that the resource can be checked on Linux too.
configure_file("${MD5Z_DESKTOP_SOURCE_DIR}/md5zevrin.rc.in"
               "${MD5Z_DESKTOP_BINARY_DIR}/md5zevrin.rc" @ONLY)
if(WIN32 AND TARGET md5zevrin)
  enable_language(RC)
  set(MD5Z_RC_SCRIPT "${MD5Z_DESKTOP_BINARY_DIR}/md5zevrin.rc")
  set_property(SOURCE "${MD5Z_RC_SCRIPT}" APPEND PROPERTY OBJECT_DEPENDS
               "${MD5Z_WINDOWS_ICON}" "${MD5Z_POINTER_FILE}" "${MD5Z_BACKGROUND_FILE}"
               "${MD5Z_MANIFEST_FILE}")
  target_compile_definitions(md5z_win32 PUBLIC MD5Z_RC_ICON=${MD5Z_RC_ICON}
    MD5Z_RC_POINTER=${MD5Z_RC_POINTER} MD5Z_RC_BACKGROUND=${MD5Z_RC_BACKGROUND})
  # The tests of the Win32 window load the same pictures from their own file.
  foreach(target IN ITEMS md5zevrin contract_win32 md5z_dpi_change_tests)
    if(TARGET ${target})
      target_sources(${target} PRIVATE "${MD5Z_RC_SCRIPT}")
      if(TARGET md5z_windows_icon)
        add_dependencies(${target} md5z_windows_icon)
      endif()
    endif()
  endforeach()
endif()

# --- Desktop entry, icons and AppStream metainfo ------------------------------

if(UNIX AND NOT APPLE AND TARGET md5zevrin)
  install(FILES "${MD5Z_DESKTOP_SOURCE_DIR}/${MD5Z_APP_ID}.desktop"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)

  foreach(field IN ITEMS DEVELOPER HOMEPAGE)
    string(REPLACE "&" "&amp;" text "${MD5Z_${field}}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" MD5Z_XML_${field} "${text}")
  endforeach()
  configure_file("${MD5Z_DESKTOP_SOURCE_DIR}/${MD5Z_APP_ID}.metainfo.xml.in"
                 "${MD5Z_DESKTOP_BINARY_DIR}/${MD5Z_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${MD5Z_DESKTOP_BINARY_DIR}/${MD5Z_APP_ID}.metainfo.xml"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT window)

  # The theme's 32x32 icon is the program icon itself; the larger sizes are
  # rendered from the scalable drawing of the same design.
  set(icon_theme_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES "${MD5Z_ICON_SVG}" DESTINATION ${icon_theme_dir}/scalable/apps COMPONENT window)

  find_package(Python3 COMPONENTS Interpreter)
  set(icon_pngs)
  if(Python3_Interpreter_FOUND)
    set(png "${MD5Z_DESKTOP_BINARY_DIR}/icons/32x32/${MD5Z_APP_ID}.png")
    add_custom_command(
      OUTPUT "${png}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${MD5Z_DESKTOP_BINARY_DIR}/icons/32x32"
      COMMAND Python3::Interpreter "${MD5Z_DESKTOP_SOURCE_DIR}/icon_png.py"
              "${MD5Z_PROGRAM_ICON}" "${png}"
      DEPENDS "${MD5Z_PROGRAM_ICON}" "${MD5Z_DESKTOP_SOURCE_DIR}/icon_png.py"
      COMMENT "Converting the program icon to PNG"
      VERBATIM)
    list(APPEND icon_pngs "${png}")
    install(FILES "${png}" DESTINATION ${icon_theme_dir}/32x32/apps COMPONENT window)
  else()
    message(WARNING "Python 3 not found: the 32x32 theme icon is not installed")
  endif()
  set(theme_sizes 64 128 256)
  md5z_render_icon("${MD5Z_DESKTOP_BINARY_DIR}/theme" theme_pngs ${theme_sizes})
  foreach(png size IN ZIP_LISTS theme_pngs theme_sizes)
    if(png)
      install(FILES "${png}" DESTINATION ${icon_theme_dir}/${size}x${size}/apps
              RENAME ${MD5Z_APP_ID}.png COMPONENT window)
    endif()
  endforeach()
  list(APPEND icon_pngs ${theme_pngs})
  add_custom_target(md5z_desktop_icons ALL DEPENDS ${icon_pngs})
endif()

# --- Licence, changelog, manual pages and shell completion ---------------------

set(MD5Z_LICENSE_FILE "${PROJECT_SOURCE_DIR}/LICENSE")
set(MD5Z_PACKAGING_SOURCE_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(MD5Z_DOC_BINARY_DIR "${PROJECT_BINARY_DIR}/doc")
# The components this build installs and the Debian package of each.
set(MD5Z_COMPONENTS)
set(MD5Z_COMPONENT_PACKAGES)
if(TARGET md5zevrin)
  list(APPEND MD5Z_COMPONENTS window)
  list(APPEND MD5Z_COMPONENT_PACKAGES md5zevrin)
endif()
if(TARGET md5zevrin-cli)
  list(APPEND MD5Z_COMPONENTS cli)
  list(APPEND MD5Z_COMPONENT_PACKAGES md5zevrin-cli)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${MD5Z_LICENSE_FILE}")

# The rights notice of product.h gives the year and the holder; LICENSE must
# state the same, and the holder is the developer the program names.
if(NOT MD5Z_RIGHTS_NOTICE MATCHES "^Copyright \\(C\\) ([0-9]+) ([^.]+)\\. .*${MD5Z_LICENSE_SPDX}")
  message(FATAL_ERROR "The rights notice '${MD5Z_RIGHTS_NOTICE}' does not read "
                      "'Copyright (C) YEAR HOLDER. ...' naming the ${MD5Z_LICENSE_SPDX} licence")
endif()
set(MD5Z_COPYRIGHT_YEAR "${CMAKE_MATCH_1}")
set(MD5Z_COPYRIGHT_HOLDER "${CMAKE_MATCH_2}")
if(NOT MD5Z_COPYRIGHT_HOLDER STREQUAL MD5Z_DEVELOPER)
  message(FATAL_ERROR "The rights notice names ${MD5Z_COPYRIGHT_HOLDER}, "
                      "the program's developer is ${MD5Z_DEVELOPER}")
endif()
file(STRINGS "${MD5Z_LICENSE_FILE}" license_lines ENCODING UTF-8)
list(GET license_lines 0 license_title)
list(GET license_lines 2 license_copyright)
if(NOT license_title STREQUAL "${MD5Z_LICENSE_SPDX} License" OR
   NOT license_copyright STREQUAL "Copyright (c) ${MD5Z_COPYRIGHT_YEAR} ${MD5Z_COPYRIGHT_HOLDER}")
  message(FATAL_ERROR "LICENSE does not begin with the ${MD5Z_LICENSE_SPDX} licence's title and "
                      "'Copyright (c) ${MD5Z_COPYRIGHT_YEAR} ${MD5Z_COPYRIGHT_HOLDER}'")
endif()

# The licence's terms, below its title and copyright line, as a copyright
# file's paragraph holds them: each line indented, an empty one written ".".
file(READ "${MD5Z_LICENSE_FILE}" license_text)
string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" license_text "${license_text}")
string(STRIP "${license_text}" license_text)
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " MD5Z_LICENSE_TEXT_DEP5 " ${license_text}")

# The release date as the changelog writes it (RFC 2822) and as seconds since
# 1970 for the manual pages' SOURCE_DATE_EPOCH, so rebuilds give the same files.
function(md5z_release_date format out)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C
                          date -u -d "${MD5Z_RELEASE_DATE}" "+${format}"
                  OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "\\" "\\e" MD5Z_RIGHTS_NOTICE_ROFF "${MD5Z_RIGHTS_NOTICE}")
string(REPLACE "-" "\\-" MD5Z_RIGHTS_NOTICE_ROFF "${MD5Z_RIGHTS_NOTICE_ROFF}")

if(UNIX AND NOT APPLE)
  configure_file("${MD5Z_PACKAGING_SOURCE_DIR}/copyright.in" "${MD5Z_DOC_BINARY_DIR}/copyright"
                 @ONLY)

  # Debian wants the changelog and the manual pages compressed as hard as
  # gzip can, without a time stamp, so the package is the same on every build.
  find_program(MD5Z_GZIP gzip REQUIRED)
  function(md5z_gzip_doc source gz_out)
    get_filename_component(name "${source}" NAME)
    set(gz "${MD5Z_DOC_BINARY_DIR}/gz/${name}.gz")
    add_custom_command(
      OUTPUT "${gz}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${MD5Z_DOC_BINARY_DIR}/gz"
      COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${MD5Z_DOC_BINARY_DIR}/gz/${name}"
      COMMAND "${MD5Z_GZIP}" -9 -n -f "${MD5Z_DOC_BINARY_DIR}/gz/${name}"
      DEPENDS "${source}"
      VERBATIM)
    set_property(DIRECTORY APPEND PROPERTY MD5Z_COMPRESSED_DOCS "${gz}")
    set(${gz_out} "${gz}" PARENT_SCOPE)
  endfunction()

  md5z_release_date("%a, %d %b %Y %H:%M:%S %z" MD5Z_RELEASE_DATE_RFC2822)
  md5z_release_date("%s" MD5Z_RELEASE_EPOCH)
  configure_file("${MD5Z_PACKAGING_SOURCE_DIR}/changelog.in" "${MD5Z_DOC_BINARY_DIR}/changelog"
                 @ONLY)
  md5z_gzip_doc("${MD5Z_DOC_BINARY_DIR}/changelog" changelog_gz)

  # Each package carries the licence and the changelog in a folder of its own name.
  foreach(component package IN ZIP_LISTS MD5Z_COMPONENTS MD5Z_COMPONENT_PACKAGES)
    install(FILES "${MD5Z_DOC_BINARY_DIR}/copyright" "${changelog_gz}"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endforeach()

  set(man_dir ${CMAKE_INSTALL_MANDIR}/man1)
  if(TARGET md5zevrin)
    configure_file("${PROJECT_SOURCE_DIR}/docs/md5zevrin.1.in" "${MD5Z_DOC_BINARY_DIR}/md5zevrin.1"
                   @ONLY)
    md5z_gzip_doc("${MD5Z_DOC_BINARY_DIR}/md5zevrin.1" page_gz)
    install(FILES "${page_gz}" DESTINATION ${man_dir} COMPONENT window)
  endif()

  # The command-line program's page is its --help, with the output, the JSON
  # keys, the exit statuses and examples added, so its options always match.
  find_program(MD5Z_HELP2MAN help2man)
  if(MD5Z_HELP2MAN)
    configure_file("${PROJECT_SOURCE_DIR}/docs/md5zevrin-cli.h2m.in"
                   "${MD5Z_DOC_BINARY_DIR}/md5zevrin-cli.h2m" @ONLY)
    set(page "${MD5Z_DOC_BINARY_DIR}/md5zevrin-cli.1")
    add_custom_command(
      OUTPUT "${page}"
      COMMAND "${CMAKE_COMMAND}" -E env SOURCE_DATE_EPOCH=${MD5Z_RELEASE_EPOCH}
              "${MD5Z_HELP2MAN}" --no-info --locale=C.UTF-8
              "--include=${MD5Z_DOC_BINARY_DIR}/md5zevrin-cli.h2m" "--output=${page}"
              $<TARGET_FILE:md5zevrin-cli>
      DEPENDS md5zevrin-cli "${MD5Z_DOC_BINARY_DIR}/md5zevrin-cli.h2m"
      COMMENT "Writing the manual page of md5zevrin-cli from its --help"
      VERBATIM)
    md5z_gzip_doc("${page}" page_gz)
    install(FILES "${page_gz}" DESTINATION ${man_dir} COMPONENT cli)
  else()
    message(WARNING "help2man not found: the manual page of md5zevrin-cli is not installed")
  endif()

  install(FILES "${MD5Z_PACKAGING_SOURCE_DIR}/md5zevrin-cli.bash"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME md5zevrin-cli COMPONENT cli)

  get_property(compressed_docs DIRECTORY PROPERTY MD5Z_COMPRESSED_DOCS)
  add_custom_target(md5z_docs ALL DEPENDS ${compressed_docs})
endif()

# --- Screenshot (`make screenshot`) --------------------------------------------

# The window's picture in docs/ is made from the real widgets, offscreen, so
# that it follows the window whenever that changes. Not installed.
if(TARGET md5zevrin AND TARGET md5z_qt)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(md5zevrin-screenshot "${MD5Z_DESKTOP_SOURCE_DIR}/screenshot.cpp")
  target_link_libraries(md5zevrin-screenshot PRIVATE md5z_qt Qt6::Test)
  add_custom_target(screenshot
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_SOURCE_DIR}/docs"
    COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:md5zevrin-screenshot> "${PROJECT_SOURCE_DIR}/docs/screenshot.png"
    DEPENDS md5zevrin-screenshot
    COMMENT "Drawing docs/screenshot.png from the window"
    VERBATIM)
endif()

# --- Debian packages (`cpack` or the `package` target) -------------------------

# One package per component, from one source: md5zevrin-cli depends on no Qt
# or X library, so a server installs the command line alone. The window
# program needs nothing from the command-line program, so md5zevrin only
# recommends it: apt installs recommended packages unless told otherwise, so
# whoever installs MD5Zevrin for the desktop still gets both programs, as from
# the one package that used to hold them. Shipping a second copy is not the
# Debian way: dpkg lets one file belong to one package only.
set(CPACK_PACKAGE_NAME md5zevrin)
set(CPACK_PACKAGE_VERSION "${MD5Z_VERSION_TEXT}")
set(CPACK_PACKAGE_VENDOR "${MD5Z_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${MD5Z_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${MD5Z_HOMEPAGE}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${MD5Z_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE md5zevrin)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Wrapped by hand: dpkg shows the long descriptions as they stand.
set(md5z_description_start
  "MD5Zevrin shows the MD5 digest of a text of up to 30 characters as 16 and"
  "32 hexadecimal digits in lower and upper case. Chinese characters are"
  "digested as the initials of their pinyin readings.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME md5zevrin)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION "${MD5Z_SUMMARY_EN}")
string(JOIN "\n" CPACK_DEBIAN_WINDOW_DESCRIPTION
  "${MD5Z_SUMMARY_EN}" ${md5z_description_start} ""
  "This package holds the window program md5zevrin, in which each digest is"
  "ready to copy with one click.")
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform
# plugins (the X11 one above all) and the fonts that stand in for the
# window's 宋体 and 微软雅黑.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-arphic-uming, fonts-wqy-microhei")
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "md5zevrin-cli (= ${MD5Z_VERSION_TEXT})")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME md5zevrin-cli)
string(JOIN "\n" CPACK_DEBIAN_CLI_DESCRIPTION
  "MD5 digests as MD5Zevrin shows them, for scripts" ${md5z_description_start} ""
  "This package holds the command-line program md5zevrin-cli, which writes"
  "the same results for each text it is given or for each line it reads,"
  "as a table, as JSON or as one value per line. It needs no graphical"
  "environment.")
# The command-line program came in the md5zevrin package before it had one of
# its own; this one may take its files over from such an md5zevrin.
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "md5zevrin (<< ${MD5Z_VERSION_TEXT}-1~)")

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/\\.cache/")
include(CPack)
