# Cross-building for Windows x86-64 with Debian's mingw-w64 (tools/windows.sh).
# The posix thread model: the game uses std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Libraries and headers from the mingw sysroot and from where tools/windows.sh
# installs SDL, SDL_mixer and GoogleTest built for Windows, never from the
# machine's own /usr.
get_filename_component(PAKO_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(PAKO_WINDOWS_PREFIX "${PAKO_SOURCE_ROOT}/build/windows/sdl")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${PAKO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One self-contained executable: libstdc++, libgcc and winpthreads linked
# in, so that it needs no DLL but the system's. No time of linking in the
# executable's header: the same sources give the same bytes (strip writes
# SOURCE_DATE_EPOCH's there, tools/windows.sh).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# Nor the folder it was built in: every path under the checkout (SDL's
# sources in build/windows/src as much as the game's) is written relative
# to it, in file names that assertions keep and in debugging information.
set(CMAKE_C_FLAGS_INIT "-ffile-prefix-map=${PAKO_SOURCE_ROOT}=.")
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${PAKO_SOURCE_ROOT}=.")
