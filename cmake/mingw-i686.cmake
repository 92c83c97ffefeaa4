# 32-bit Windows build with mingw-w64: the shipped plug-in, with the workbench and every test program.
# Its programs run under wine32 where the kernel executes 32-bit programs (scripts/win32-runs.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
# The POSIX-threads variant: GoogleTest needs std::mutex, which the win32 variant lacks here.
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Single-precision arithmetic in SSE registers, rounded after every operation as in the 64-bit
# build; the x87 unit would keep intermediate results in 80 bits and change the pushed vertices.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The host may call into the plug-in with its stack aligned to 4 bytes only, as the 32-bit Windows
# calling conventions promise no more, while SSE values kept on the stack need 16: every function
# that needs more realigns its own frame, whatever the compiler's default. A compile option rather
# than an initial flag, so that build trees configured before it get it too.
add_compile_options(-mstackrealign)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test.sh)
