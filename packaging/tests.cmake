# The package as Debian would check it (label package): package.build makes the .deb with CPack
# and unpacks it; the other tests look at the unpacked files. Each takes seconds.
set(package_work ${CMAKE_CURRENT_BINARY_DIR}/package-test)
set(package_check ${CMAKE_CURRENT_SOURCE_DIR}/check-package)

add_test(NAME package.build
         COMMAND ${package_check} build ${package_work} ${CMAKE_CPACK_COMMAND}
                 ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
set_tests_properties(package.build PROPERTIES FIXTURES_SETUP dcf77_package TIMEOUT 300)

foreach(check files depends copyright desktop-entry metainfo manuals unit runs)
    add_test(NAME package.${check} COMMAND ${package_check} ${check} ${package_work})
    set_tests_properties(package.${check} PROPERTIES FIXTURES_REQUIRED dcf77_package TIMEOUT 60)
endforeach()

string(JOIN " " icon_sizes ${DCF77_ICON_SIZES})
get_property(package_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${package_tests} PROPERTIES
    LABELS package
    ENVIRONMENT
    "DCF77_APP_ID=${DCF77_APP_ID};DCF77_ICON_SIZES=${icon_sizes};DCF77_LICENSE=${PROJECT_SOURCE_DIR}/LICENSE")
