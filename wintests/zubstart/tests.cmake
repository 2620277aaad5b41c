# The component-install launcher: its name conversion in-process, and the shipped program run
# beside the vqzubkit double (testing/doubles/vqzubkit).
if(VELMAR_MACHINE STREQUAL "x64" AND TARGET zubstart_core)
    velmar_wine_test(zubstart_tests SOURCES zubstart/zubstart_test.cpp LIBS zubstart_core)
endif()
