# SDL2 as tools/web.sh builds it for the browser, for find_package(SDL2) in
# an Emscripten build of the game. The build copies this file into
# build/web/sdl/lib/cmake/SDL2/, beside the library it describes.
get_filename_component(_pako_sdl_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(SDL2_VERSION 2.26.5)
if(NOT TARGET SDL2::SDL2)
  add_library(SDL2::SDL2 STATIC IMPORTED)
  set_target_properties(SDL2::SDL2 PROPERTIES
    IMPORTED_LOCATION "${_pako_sdl_prefix}/lib/libSDL2.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_pako_sdl_prefix}/include/SDL2"
    # Ahead of Emscripten's own SDL 1.2 headers, which are always searched.
    IMPORTED_NO_SYSTEM ON
    # The audio back end calls two of Emscripten's library functions that
    # nothing else pulls in. Their names, which start with "$", are read from
    # a file: CMake's link scripts would double the "$" on a command line.
    INTERFACE_LINK_OPTIONS "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_CURRENT_LIST_DIR}/SDL2-library-funcs.txt")
endif()
set(SDL2_FOUND TRUE)
