# The Windows screen saver, cross-built with mingw-w64 (toolchain-mingw-*.cmake): the same
# subsystems as on Linux, the Windows side of each seam, the real Win32, Direct3D 9 and
# D3DX 9 in place of the stand-ins, and a resource script for the icon, dialog and name.
#
# The media (meshes, textures, the cube map, the icon and the banner) are made on the build
# machine by the Linux content generator; ZARN_WINDOWS_MEDIA_DIR names the folder it wrote
# (scripts/build-windows does both). The program and its data folder land side by side in
# the build folder, so the .scr runs from there as it does from an unpacked zip.
enable_language(RC)

set(ZARN_WINDOWS_MEDIA_DIR "" CACHE PATH "data/media as written by the Linux zarn-contentgen")
if(NOT EXISTS "${ZARN_WINDOWS_MEDIA_DIR}/zarn-screensaver.png")
  message(FATAL_ERROR "ZARN_WINDOWS_MEDIA_DIR must name the content generator's media folder "
                      "(scripts/build-windows makes it)")
endif()
find_program(ZARN_CONVERT convert REQUIRED)

file(GLOB_RECURSE ZARN_WINDOWS_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/shell/*.cpp ${CMAKE_SOURCE_DIR}/src/device/*.cpp ${CMAKE_SOURCE_DIR}/src/assets/*.cpp
  ${CMAKE_SOURCE_DIR}/src/render/*.cpp ${CMAKE_SOURCE_DIR}/src/scene/*.cpp ${CMAKE_SOURCE_DIR}/src/math/*.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/seams/windows/*.cpp)

# windres reads only .ico and .bmp: the generator's PNGs are converted here.
set(ZARN_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
add_custom_command(
  OUTPUT ${ZARN_RESOURCE_DIR}/zarn-screensaver.ico ${ZARN_RESOURCE_DIR}/dialogBanner.bmp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZARN_RESOURCE_DIR}
  COMMAND ${ZARN_CONVERT} ${ZARN_WINDOWS_MEDIA_DIR}/zarn-screensaver.png -define icon:auto-resize=256,48,32,16
          ${ZARN_RESOURCE_DIR}/zarn-screensaver.ico
  # An SS_BITMAP static takes its bitmap's size: the banner's 200 x 70 dialog units in MS Sans
  # Serif 8 at 96 dpi are 300 x 114 pixels (the generator draws it twice as big).
  COMMAND ${ZARN_CONVERT} ${ZARN_WINDOWS_MEDIA_DIR}/dialogBanner.png -background white -alpha remove
          -resize 300x114! BMP3:${ZARN_RESOURCE_DIR}/dialogBanner.bmp
  DEPENDS ${ZARN_WINDOWS_MEDIA_DIR}/zarn-screensaver.png ${ZARN_WINDOWS_MEDIA_DIR}/dialogBanner.png
  VERBATIM)
set(ZARN_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/src/platform/seams/windows/ZarnScreensaver.rc)
set_source_files_properties(${ZARN_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
  "${ZARN_RESOURCE_DIR}/zarn-screensaver.ico;${ZARN_RESOURCE_DIR}/dialogBanner.bmp")

# Named so that Screen Saver Settings lists "Zarn Screensaver" even where it shows the file's
# name rather than string 1.
# The objects are shared with the end-to-end cases' test link (tests/windows).
add_library(zarn_windows_objects OBJECT ${ZARN_WINDOWS_SOURCES} ${ZARN_RESOURCE_SCRIPT})
target_include_directories(zarn_windows_objects PRIVATE ${CMAKE_SOURCE_DIR}/src ${ZARN_RESOURCE_DIR})
# mingw-w64's d3dx9math.h has no aligned matrix; the plain one serves on both arches.
target_compile_definitions(zarn_windows_objects PRIVATE $<$<COMPILE_LANGUAGE:CXX>:D3DXMATRIXA16=D3DXMATRIX>)
function(zarn_windows_saver target)
  add_executable(${target} WIN32 $<TARGET_OBJECTS:zarn_windows_objects> ${ARGN})
  set_target_properties(${target} PROPERTIES SUFFIX ".scr")
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
  target_link_libraries(${target} PRIVATE d3d9 d3dx9_43 user32 gdi32 advapi32 comctl32 shell32)
endfunction()
zarn_windows_saver(zarn-screensaver)
set_target_properties(zarn-screensaver PROPERTIES OUTPUT_NAME "Zarn Screensaver")

# The data folder beside the program: the asset library, the media, and the compiled effects
# when the effect build is there (cmake/WindowsEffects.cmake). The GLSL effects are Linux's.
set(ZARN_WINDOWS_DATA ${CMAKE_BINARY_DIR}/data)
add_custom_target(zarn_windows_data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZARN_WINDOWS_DATA}/effects
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/data/assetLibrary.txt ${ZARN_WINDOWS_DATA}/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${ZARN_WINDOWS_MEDIA_DIR} ${ZARN_WINDOWS_DATA}/media
  VERBATIM)
include(${CMAKE_SOURCE_DIR}/cmake/WindowsEffects.cmake OPTIONAL RESULT_VARIABLE ZARN_HAVE_WINDOWS_EFFECTS)
if(ZARN_HAVE_WINDOWS_EFFECTS AND COMMAND zarn_windows_effects)
  zarn_windows_effects(${ZARN_WINDOWS_DATA}/effects)
else()
  message(STATUS "No compiled effects yet (cmake/WindowsEffects.cmake): the clock draws without them")
endif()

if(ZARN_TESTS)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/windows ${CMAKE_BINARY_DIR}/tests-windows)
endif()
