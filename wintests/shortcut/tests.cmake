# The shortcut tool's Windows-side tests: the shipped 32-bit program, run under 32-bit Wine.
if(VELMAR_MACHINE STREQUAL "x86" AND TARGET shortcut_core)
    velmar_wine_test(shortcut_e2e_tests SOURCES shortcut/e2e_test.cpp LIBS shortcut_core ole32 uuid)
endif()
