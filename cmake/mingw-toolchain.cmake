# Shared part of the two mingw toolchain files; MINGW_TRIPLET is set by the includer.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLET}-windres)
set(CMAKE_AR           ${MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# The third-party libraries built by cmake/deps.sh live in a cache outside the checkout.
if(NOT DEPS_PREFIX)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/deps.sh --prefix
                  OUTPUT_VARIABLE _deps_root OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(DEPS_PREFIX "${_deps_root}/${MINGW_TRIPLET}" CACHE PATH "Windows builds of the third-party libraries")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
