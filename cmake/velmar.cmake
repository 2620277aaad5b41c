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

# A tool: its operations in a static library <core> (linked by host tests), and on Windows
# the window-less wide-entry program around them, installed into dist/<machine>/ when the
# tool is built for that machine.
function(velmar_tool name)
    cmake_parse_arguments(T "" "MACHINE;CORE" "SOURCES;RESOURCES;LIBS" ${ARGN})
    add_library(${T_CORE} STATIC ${T_SOURCES})
    target_include_directories(${T_CORE} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${T_CORE} PUBLIC frame ${T_LIBS})
    velmar_target(${T_CORE})
    if(WIN32)
        add_executable(${name} WIN32 main.cpp ${T_RESOURCES})
        target_link_libraries(${name} PRIVATE ${T_CORE})
        target_link_options(${name} PRIVATE -municode)
        velmar_target(${name})
        add_dependencies(deliverables ${name})
        if(T_MACHINE STREQUAL VELMAR_MACHINE)
            install(TARGETS ${name} RUNTIME DESTINATION ${VELMAR_MACHINE})
        endif()
    endif()
endfunction()

if(NOT TARGET deliverables)
    add_custom_target(deliverables)
endif()
