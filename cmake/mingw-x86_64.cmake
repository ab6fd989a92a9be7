# 64-bit Windows: the test build where the kernel runs no 32-bit programs (scripts/lib/common.sh).
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
