# The file ACL tool's Windows-side tests: its core operations and the shipped program's runs.
if(VELMAR_MACHINE STREQUAL "x64" AND TARGET fileacl_core)
    velmar_wine_test(fileacl_tests SOURCES fileacl/fileacl_test.cpp LIBS fileacl_core)
endif()
