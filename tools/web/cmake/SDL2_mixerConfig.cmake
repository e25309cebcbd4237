# SDL_mixer (RIFF/WAVE only) as tools/web.sh builds it for the browser, for
# find_package(SDL2_mixer) in an Emscripten build of the game. The build
# copies this file into build/web/sdl/lib/cmake/SDL2_mixer/.
get_filename_component(_pako_mixer_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(SDL2_mixer_VERSION 2.6.2)
if(NOT TARGET SDL2::SDL2)
  include("${_pako_mixer_prefix}/lib/cmake/SDL2/SDL2Config.cmake")
endif()
if(NOT TARGET SDL2_mixer::SDL2_mixer)
  add_library(SDL2_mixer::SDL2_mixer STATIC IMPORTED)
  set_target_properties(SDL2_mixer::SDL2_mixer PROPERTIES
    IMPORTED_LOCATION "${_pako_mixer_prefix}/lib/libSDL2_mixer.a"
    INTERFACE_LINK_LIBRARIES SDL2::SDL2)
endif()
set(SDL2_mixer_FOUND TRUE)
