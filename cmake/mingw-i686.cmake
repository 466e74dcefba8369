# Cross-build for Windows with Debian's MinGW-w64. i686: 32-bit like the UTAU host, so the
# plug-in runs wherever the host runs (32-bit Windows included) and, with no manifest asking
# otherwise, sees the same virtualised view of a Program Files install folder as the host.
# mingw-x86_64.cmake sets mingw_processor first, for a 64-bit twin.
if(NOT DEFINED mingw_processor)
  set(mingw_processor i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${mingw_processor})

# The posix flavour, for std::thread and friends.
set(CMAKE_C_COMPILER ${mingw_processor}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_processor}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_processor}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_processor}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
