# The settings-export launcher's Windows-side tests (32-bit Wine).
if(VELMAR_MACHINE STREQUAL "x86" AND TARGET smexport_core)
    velmar_wine_test(smexport_tests SOURCES smexport/smexport_test.cpp LIBS smexport_core)
endif()
