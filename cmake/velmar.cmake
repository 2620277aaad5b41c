# Compiler settings and the helpers that every deliverable and test uses.

set(VELMAR_WARNINGS -Wall -Wextra -Wshadow -Wformat=2 -Wnon-virtual-dtor -Werror)

if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(VELMAR_MACHINE x64)
    else()
        set(VELMAR_MACHINE x86)
    endif()
    # Deliverables carry their run-time inside: no libstdc++, libgcc or winpthread DLLs.
    set(VELMAR_STATIC_LINK -static -static-libgcc -static-libstdc++)
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)
    # Release binaries: small (unused sections dropped at link; -Os comes out larger than -O2
    # here, since it keeps more of the standard library's templates out of line) and
    # reproducible (no link time stamp; source and build paths mapped away in what the
    # compiler records). Debug information is kept, then split off beside the build.
    set(CMAKE_C_FLAGS_RELEASE "-O2 -g -DNDEBUG" CACHE STRING "" FORCE)
    set(CMAKE_CXX_FLAGS_RELEASE "-O2 -g -DNDEBUG" CACHE STRING "" FORCE)
    add_compile_options(-ffunction-sections -fdata-sections
                        -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
    add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp)
else()
    set(VELMAR_MACHINE host)
    set(VELMAR_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_compile_options(${VELMAR_SANITIZE})
    add_link_options(${VELMAR_SANITIZE})
endif()

# Our own targets get the warning set; third-party code (googletest) does not.
function(velmar_target target)
    target_compile_options(${target} PRIVATE ${VELMAR_WARNINGS})
    if(WIN32)
        get_target_property(kind ${target} TYPE)
        if(kind STREQUAL "EXECUTABLE" OR kind STREQUAL "SHARED_LIBRARY")
            target_link_options(${target} PRIVATE ${VELMAR_STATIC_LINK})
        endif()
    endif()
endfunction()

# A tool: its operations in a static library <core>, and on Windows the window-less
# wide-entry program around them, installed into dist/<machine>/. On Windows a tool is built
# only for the machine it ships on; WINE_ONLY keeps a tool whose tests all run under Wine out
# of the host build.
function(velmar_tool name)
    cmake_parse_arguments(T "WINE_ONLY" "MACHINE;CORE" "SOURCES;RESOURCES;LIBS" ${ARGN})
    if(WIN32 AND NOT T_MACHINE STREQUAL VELMAR_MACHINE)
        return()
    endif()
    if(NOT WIN32 AND T_WINE_ONLY)
        return()
    endif()
    add_library(${T_CORE} STATIC ${T_SOURCES})
    target_include_directories(${T_CORE} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${T_CORE} PUBLIC frame ${T_LIBS})
    velmar_target(${T_CORE})
    if(WIN32)
        add_executable(${name} WIN32 main.cpp ${T_RESOURCES})
        target_link_libraries(${name} PRIVATE ${T_CORE})
        target_link_options(${name} PRIVATE -municode)
        velmar_target(${name})
        velmar_release_binary(${name})
        add_dependencies(deliverables ${name})
    endif()
endfunction()

# A deliverable as it ships: stripped into <build>/release/ and installed from there into
# dist/<machine>/; its debug information stays in <build>/debug/<file>.debug, linked back by
# name and checksum so that a crash dump can still be read.
function(velmar_release_binary target)
    set(released ${CMAKE_BINARY_DIR}/release/$<TARGET_FILE_NAME:${target}>)
    set(debug ${CMAKE_BINARY_DIR}/debug/$<TARGET_FILE_NAME:${target}>.debug)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release
                ${CMAKE_BINARY_DIR}/debug
        # objcopy stamps each PE header it writes with the current time unless told a date;
        # the debug file's stamp would reach the deliverable through the link's checksum.
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug}
                $<TARGET_FILE:${target}> ${released}
        VERBATIM)
    install(PROGRAMS ${released} DESTINATION ${VELMAR_MACHINE})
endfunction()

if(NOT TARGET deliverables)
    add_custom_target(deliverables)
endif()
