include(GoogleTest)

# tonquell_add_test(NAME name SOURCES ... LIBS ... [GUI] [QT_MAIN])
# One GoogleTest executable per unit; every case is registered with ctest.
# GUI tests run with the offscreen Qt platform; QT_MAIN gives the executable a main that
# holds one QApplication for the whole run, with the German catalogues installed.
function(tonquell_add_test)
    cmake_parse_arguments(T "GUI;QT_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(T_QT_MAIN)
        list(APPEND T_SOURCES ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp)
        list(APPEND T_LIBS main_window)  # the catalogues it installs
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    tonquell_warnings(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${T_NAME} PRIVATE
        TONQUELL_BUILD_DIR="${CMAKE_BINARY_DIR}"
        TONQUELL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    # One value per property: gtest_discover_tests would split a list of several.
    set(platform "QT_QPA_PLATFORM=reset:")
    if(T_GUI)
        set(platform "QT_QPA_PLATFORM=set:offscreen")
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "TONQUELL_BUILD_DIR=${CMAKE_BINARY_DIR}"
                   ENVIRONMENT_MODIFICATION "${platform}"
                   FIXTURES_REQUIRED test_media
                   TIMEOUT ${T_TIMEOUT}
        TEST_PREFIX "${T_NAME}.")
endfunction()
