# `make package-windows`: a zip of the Windows program with the README, the
# page on the Windows program that the README points to, and the licence. The
# program is linked statically, so it needs no DLLs beside it.

set(MD5Z_WINDOWS_PACKAGE "md5zevrin-${MD5Z_VERSION_TEXT}-win64.zip")
set(stage "${PROJECT_BINARY_DIR}/package-windows")
set(documents "${PROJECT_SOURCE_DIR}/README.md")
if(EXISTS "${PROJECT_SOURCE_DIR}/LICENSE")
  list(APPEND documents "${PROJECT_SOURCE_DIR}/LICENSE")
else()
  message(WARNING "No LICENSE in the source tree: the Windows package goes without it")
endif()

set(windows_page "${PROJECT_SOURCE_DIR}/docs/windows.md")

set(contents md5zevrin.exe docs/windows.md)
foreach(document IN LISTS documents)
  get_filename_component(name "${document}" NAME)
  list(APPEND contents "${name}")
endforeach()

add_custom_command(
  OUTPUT "${PROJECT_BINARY_DIR}/${MD5Z_WINDOWS_PACKAGE}"
  COMMAND "${CMAKE_COMMAND}" -E rm -rf "${stage}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${stage}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${stage}/docs"
  COMMAND "${CMAKE_COMMAND}" -E copy $<TARGET_FILE:md5zevrin> ${documents} "${stage}"
  COMMAND "${CMAKE_COMMAND}" -E copy "${windows_page}" "${stage}/docs"
  COMMAND "${CMAKE_STRIP}" "${stage}/md5zevrin.exe"
  COMMAND "${CMAKE_COMMAND}" -E chdir "${stage}"
          "${CMAKE_COMMAND}" -E tar cf "${PROJECT_BINARY_DIR}/${MD5Z_WINDOWS_PACKAGE}" --format=zip
          ${contents}
  DEPENDS md5zevrin ${documents} "${windows_page}"
  COMMENT "Packing ${MD5Z_WINDOWS_PACKAGE}"
  VERBATIM)
add_custom_target(package-windows DEPENDS "${PROJECT_BINARY_DIR}/${MD5Z_WINDOWS_PACKAGE}")
