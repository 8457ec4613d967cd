# The Windows build's effect files: binary fx_2_0 effects, built from the sources under
# data/effects/d3d9 (one *.fxa per effect file, plus its shader assembly). Only D3DX assembles
# shaders, so a small Windows program, zarn-fxbuild (tools/fxbuild), is cross-compiled for
# x86_64 and run once under Wine for all of them, whichever architecture the saver is built for.
#
#   include(cmake/WindowsEffects.cmake)
#   zarn_windows_effects(<output-folder>)   # target zarn_windows_effects writes <output-folder>/*.fxo
#
# ZARN_WINDOWS_EFFECTS_AVAILABLE tells whether mingw-w64 (x86_64) and Wine were found.
include_guard(GLOBAL)

set(ZARN_FX_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
# Host programs, also when a cross toolchain confines find_program to its own root.
find_program(ZARN_MINGW64_CXX x86_64-w64-mingw32-g++ NO_CMAKE_FIND_ROOT_PATH)
find_program(ZARN_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZARN_MINGW64_CXX AND ZARN_WINE64)
  set(ZARN_WINDOWS_EFFECTS_AVAILABLE TRUE)
else()
  set(ZARN_WINDOWS_EFFECTS_AVAILABLE FALSE)
endif()

# Cross-compiles one x86_64 Windows program from `sources` into `exe`, statically linked.
function(zarn_mingw64_program exe)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;LIBS" ${ARGN})
  get_filename_component(folder ${exe} DIRECTORY)
  add_custom_command(OUTPUT ${exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${ZARN_MINGW64_CXX} -std=c++20 -O2 -Wall -static -o ${exe} ${ARG_SOURCES} ${ARG_LIBS}
    DEPENDS ${ARG_SOURCES} ${ARG_HEADERS}
    COMMENT "Cross-compiling ${exe}" VERBATIM)
endfunction()

# Wine sees the Linux root as drive Z:.
function(zarn_wine_path out path)
  set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()

# A build has one set of Windows effects: a second call is accepted only for the same folder.
# The folder is kept in the global property ZARN_WINDOWS_EFFECTS_DIR.
function(zarn_windows_effects output_dir)
  get_property(existing GLOBAL PROPERTY ZARN_WINDOWS_EFFECTS_DIR)
  if(existing)
    if(NOT existing STREQUAL output_dir)
      message(FATAL_ERROR "The Windows effects are already built into ${existing}")
    endif()
    return()
  endif()
  set_property(GLOBAL PROPERTY ZARN_WINDOWS_EFFECTS_DIR ${output_dir})
  if(NOT ZARN_WINDOWS_EFFECTS_AVAILABLE)
    message(FATAL_ERROR "The Windows effects need x86_64-w64-mingw32-g++ and wine64 (scripts/install-deps)")
  endif()
  set(work ${CMAKE_BINARY_DIR}/fxbuild)
  set(tool ${work}/zarn-fxbuild.exe)
  file(GLOB tool_sources CONFIGURE_DEPENDS ${ZARN_FX_ROOT}/tools/fxbuild/*.cpp)
  file(GLOB tool_headers CONFIGURE_DEPENDS ${ZARN_FX_ROOT}/tools/fxbuild/*.h)
  zarn_mingw64_program(${tool} SOURCES ${tool_sources} HEADERS ${tool_headers} LIBS -ld3dx9_43)

  set(source_dir ${ZARN_FX_ROOT}/data/effects/d3d9)
  file(GLOB effect_sources CONFIGURE_DEPENDS ${source_dir}/*.fxa)
  file(GLOB shader_sources CONFIGURE_DEPENDS ${source_dir}/*.vsh ${source_dir}/*.psh)
  set(outputs)
  set(arguments)
  foreach(source ${effect_sources})
    get_filename_component(name ${source} NAME_WE)
    list(APPEND outputs ${output_dir}/${name}.fxo)
    zarn_wine_path(arg ${source})
    list(APPEND arguments ${arg})
  endforeach()
  zarn_wine_path(wine_output ${output_dir})
  # One run of the tool for all files; the prefix lives in the build folder and is made on first
  # use (without the Mono and Gecko installers, which it would otherwise offer).
  # The prefix is made whole first: a program started by the first run of a fresh prefix may
  # not find its DLLs yet.
  set(wine_env ${CMAKE_COMMAND} -E env WINEPREFIX=${work}/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${wine_env} ${ZARN_WINE64} wineboot -i
    COMMAND ${wine_env} ${ZARN_WINE64} ${tool} ${wine_output} ${arguments}
    DEPENDS ${tool} ${effect_sources} ${shader_sources}
    COMMENT "Building the Windows effects (fx_2_0) under Wine" VERBATIM)
  add_custom_target(zarn_windows_effects ALL DEPENDS ${outputs})
endfunction()
