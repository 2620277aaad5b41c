# The msiremove tool's Windows-side tests: its steps in-process and the shipped program on a
# real package, built from the Linux side with wixl before the test runs.
if(VELMAR_MACHINE STREQUAL "x64" AND TARGET msiremove_core)
    velmar_wine_test(msiremove_tests SOURCES msiremove/msiremove_test.cpp LIBS msiremove_core msi)
    add_test(NAME msiremove_package
             COMMAND wixl -a x64 -o ${CMAKE_CURRENT_BINARY_DIR}/msiremove_oldmonitor.msi
                     oldmonitor.wxs
             WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
    set_tests_properties(msiremove_package PROPERTIES FIXTURES_SETUP msiremove_old_package)
    set_tests_properties(msiremove_tests PROPERTIES FIXTURES_REQUIRED msiremove_old_package)
endif()
