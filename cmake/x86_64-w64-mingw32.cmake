# The same sources as a 64-bit Windows program, for running the tests under
# 64-bit Wine on machines whose kernel cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
