# A 64-bit twin of the Windows program, for the Wine tests on machines that cannot run 32-bit
# programs. What users get is the i686 build.
set(mingw_processor x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
