# Windows, 64-bit x86, for developers; the tests run the 32-bit build.
set(QUORVANE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
