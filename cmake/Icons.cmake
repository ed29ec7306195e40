# The program icon file holds the design size (32 pixels) only. Larger sizes
# are rendered from the scalable drawing of the same design; without
# rsvg-convert (librsvg2-bin) there are none, and the desktop enlarges the
# design size instead.
find_program(MD5Z_RSVG_CONVERT rsvg-convert)
if(NOT MD5Z_RSVG_CONVERT)
  message(WARNING "rsvg-convert (librsvg2-bin) not found: the icons have their design size only")
endif()
set(MD5Z_PROGRAM_ICON "${PROJECT_SOURCE_DIR}/assets/md5zevrin.ico")
set(MD5Z_ICON_SVG "${PROJECT_SOURCE_DIR}/desktop/io.github.zevrin.MD5Zevrin.svg")

# Adds the commands that render the drawing at each of SIZES pixels into
# DIR/SIZE.png, and sets OUT to the list of those files (empty without
# rsvg-convert). A target of the calling directory must depend on them.
function(md5z_render_icon dir out)
  set(pngs)
  if(MD5Z_RSVG_CONVERT)
    foreach(size IN LISTS ARGN)
      set(png "${dir}/${size}.png")
      add_custom_command(
        OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${dir}"
        COMMAND "${MD5Z_RSVG_CONVERT}" --width=${size} --height=${size} --output=${png}
                "${MD5Z_ICON_SVG}"
        DEPENDS "${MD5Z_ICON_SVG}"
        COMMENT "Rendering the ${size} pixel program icon"
        VERBATIM)
      list(APPEND pngs "${png}")
    endforeach()
  endif()
  set(${out} "${pngs}" PARENT_SCOPE)
endfunction()

# The Windows program file's icon: the program icon's own image, and the
# drawing at the sizes Windows asks for when the desktop is scaled (title bar
# and task bar at 125 to 200 %, Explorer's large views), so that none of them
# is an enlargement. Built on every system, so that the resource script can
# be checked on Linux too.
set(MD5Z_WINDOWS_ICON "${MD5Z_PROGRAM_ICON}")
find_package(Python3 COMPONENTS Interpreter)
md5z_render_icon("${PROJECT_BINARY_DIR}/desktop/windows-icon" windows_icon_pngs
                 40 48 56 64 128 256)
if(windows_icon_pngs AND Python3_Interpreter_FOUND)
  set(MD5Z_WINDOWS_ICON "${PROJECT_BINARY_DIR}/desktop/md5zevrin.ico")
  add_custom_command(
    OUTPUT "${MD5Z_WINDOWS_ICON}"
    COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/desktop/windows_icon.py"
            "${MD5Z_PROGRAM_ICON}" "${MD5Z_WINDOWS_ICON}" ${windows_icon_pngs}
    DEPENDS "${MD5Z_PROGRAM_ICON}" "${PROJECT_SOURCE_DIR}/desktop/windows_icon.py"
            ${windows_icon_pngs}
    COMMENT "Gathering the Windows program icon's sizes"
    VERBATIM)
  add_custom_target(md5z_windows_icon ALL DEPENDS "${MD5Z_WINDOWS_ICON}")
endif()
