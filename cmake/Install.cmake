# What `cmake --install` puts where, the desktop integration (entry, icons,
# AppStream metainfo), the Windows version record and the Debian package.
# Included at the end of the top-level CMakeLists.txt, once every target
# exists.

set(MD5Z_APP_ID "io.github.zevrin.MD5Zevrin")
set(MD5Z_DESKTOP_SOURCE_DIR "${PROJECT_SOURCE_DIR}/desktop")
set(MD5Z_DESKTOP_BINARY_DIR "${PROJECT_BINARY_DIR}/desktop")
set(MD5Z_PROGRAM_ICON "${PROJECT_SOURCE_DIR}/assets/md5zevrin.ico")
set(MD5Z_PRODUCT_HEADER "${PROJECT_SOURCE_DIR}/src/info/product.h")
set(MD5Z_DESCRIPTION_ZH "MD5Zevrin - MD5 加密工具")
set(MD5Z_SUMMARY_EN "Show the MD5 digest of a short text")

# The product data (developer, notices, addresses) lives in product.h for the
# program; the packaging files take the same words from there.
function(md5z_product_text constant out)
  file(STRINGS "${MD5Z_PRODUCT_HEADER}" line REGEX "${constant} = u\"" ENCODING UTF-8)
  if(NOT line MATCHES "u\"([^\"]*)\"")
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
# The licence, as SPDX names it.
set(MD5Z_LICENSE_SPDX MIT)

# --- Programs -----------------------------------------------------------------

foreach(program IN ITEMS md5zevrin md5zevrin-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# --- Windows version record and program file icon ------------------------------

# A resource script is a C-like language: a double quote inside a string is
# written twice.
function(md5z_rc_escape text out)
  string(REPLACE "\"" "\"\"" escaped "${text}")
  set(${out} "${escaped}" PARENT_SCOPE)
endfunction()

set(MD5Z_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(MD5Z_ICON_FILE "${MD5Z_PROGRAM_ICON}")
set(MD5Z_POINTER_FILE "${PROJECT_SOURCE_DIR}/assets/command.cur")
set(MD5Z_BACKGROUND_FILE "${PROJECT_SOURCE_DIR}/assets/background.bmp")
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
  target_sources(md5zevrin PRIVATE "${MD5Z_RC_SCRIPT}")
  set_property(SOURCE "${MD5Z_RC_SCRIPT}" APPEND PROPERTY OBJECT_DEPENDS
               "${MD5Z_PROGRAM_ICON}" "${MD5Z_POINTER_FILE}" "${MD5Z_BACKGROUND_FILE}")
  target_compile_definitions(md5z_win32 PUBLIC MD5Z_RC_ICON=${MD5Z_RC_ICON}
    MD5Z_RC_POINTER=${MD5Z_RC_POINTER} MD5Z_RC_BACKGROUND=${MD5Z_RC_BACKGROUND})
  # The tests of the Win32 window load the same pictures from their own file.
  if(TARGET md5z_win32_tests)
    target_sources(md5z_win32_tests PRIVATE "${MD5Z_RC_SCRIPT}")
  endif()
endif()

# --- Desktop entry, icons and AppStream metainfo ------------------------------

if(UNIX AND NOT APPLE AND TARGET md5zevrin)
  install(FILES "${MD5Z_DESKTOP_SOURCE_DIR}/${MD5Z_APP_ID}.desktop"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  foreach(field IN ITEMS DEVELOPER HOMEPAGE)
    string(REPLACE "&" "&amp;" text "${MD5Z_${field}}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" MD5Z_XML_${field} "${text}")
  endforeach()
  configure_file("${MD5Z_DESKTOP_SOURCE_DIR}/${MD5Z_APP_ID}.metainfo.xml.in"
                 "${MD5Z_DESKTOP_BINARY_DIR}/${MD5Z_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${MD5Z_DESKTOP_BINARY_DIR}/${MD5Z_APP_ID}.metainfo.xml"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The theme's 32x32 icon is the program icon itself; the larger sizes are
  # rendered from the scalable drawing of the same design.
  set(icon_theme_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  set(icon_svg "${MD5Z_DESKTOP_SOURCE_DIR}/${MD5Z_APP_ID}.svg")
  install(FILES "${icon_svg}" DESTINATION ${icon_theme_dir}/scalable/apps)

  find_package(Python3 COMPONENTS Interpreter)
  find_program(MD5Z_RSVG_CONVERT rsvg-convert)
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
    install(FILES "${png}" DESTINATION ${icon_theme_dir}/32x32/apps)
  else()
    message(WARNING "Python 3 not found: the 32x32 theme icon is not installed")
  endif()
  if(MD5Z_RSVG_CONVERT)
    foreach(size IN ITEMS 64 128 256)
      set(png "${MD5Z_DESKTOP_BINARY_DIR}/icons/${size}x${size}/${MD5Z_APP_ID}.png")
      add_custom_command(
        OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory
                "${MD5Z_DESKTOP_BINARY_DIR}/icons/${size}x${size}"
        COMMAND "${MD5Z_RSVG_CONVERT}" --width=${size} --height=${size}
                --output=${png} "${icon_svg}"
        DEPENDS "${icon_svg}"
        COMMENT "Rendering the ${size}x${size} icon"
        VERBATIM)
      list(APPEND icon_pngs "${png}")
      install(FILES "${png}" DESTINATION ${icon_theme_dir}/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: "
                    "the 64, 128 and 256 pixel theme icons are not installed")
  endif()
  add_custom_target(md5z_desktop_icons ALL DEPENDS ${icon_pngs})
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

# --- Debian package (`cpack` or the `package` target) --------------------------

set(CPACK_PACKAGE_NAME md5zevrin)
set(CPACK_PACKAGE_VERSION "${MD5Z_VERSION_TEXT}")
set(CPACK_PACKAGE_VENDOR "${MD5Z_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${MD5Z_DEVELOPER} <${MD5Z_DEVELOPER_EMAIL}>")
set(CPACK_PACKAGE_HOMEPAGE_URL "${MD5Z_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${MD5Z_SUMMARY_EN}")
# Wrapped by hand: dpkg shows the long description as it stands.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "MD5Zevrin shows the MD5 digest of a text of up to 30 characters as 16 and"
  "32 hexadecimal digits in lower and upper case, each ready to copy. Chinese"
  "characters are digested as the initials of their pinyin readings."
  ""
  "The package holds the window program md5zevrin and the command-line"
  "program md5zevrin-cli.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET md5zevrin)
  # Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform
  # plugins (the X11 one above all) and the fonts that stand in for the
  # window's 宋体 and 微软雅黑.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-arphic-uming, fonts-wqy-microhei")
endif()
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/\\.cache/")
include(CPack)
