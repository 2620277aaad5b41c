# Shared by both mingw-w64 toolchain files; VELMAR_TRIPLET names the target.
# The posix-threads flavour: GoogleTest needs std::mutex. Linking is static, so the threads
# library ends up inside the binaries, never as a DLL beside them.
set(CMAKE_C_COMPILER ${VELMAR_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMAR_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMAR_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMAR_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
