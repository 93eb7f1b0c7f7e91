# The core's tests for Windows, run under Wine through CMAKE_CROSSCOMPILING_EMULATOR. Debian's GoogleTest is built
# for the host, so it is built here from its sources with the cross compiler.
set(QUORRIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, built with the cross compiler")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUORRIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(QUORRIX_WINDOWS_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Temporary folders, times and the environment, as on Linux.
add_library(quorrix_test_support STATIC module/TestSupport.cpp module/TestSupport.h module/TestSupportWin32.cpp)
target_include_directories(quorrix_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/module)
target_compile_options(quorrix_test_support PRIVATE ${QUORRIX_WARNINGS})
target_compile_definitions(quorrix_test_support PRIVATE ${QUORRIX_WINDOWS_DEFINITIONS})
target_link_libraries(quorrix_test_support PUBLIC quorrix_module GTest::gtest)

# Each program is one CTest test: Wine starts a program in about a tenth of a second, which a test per case
# would pay hundreds of times.
function(quorrix_windows_gtest name)
    add_executable(${name} ${ARGN})
    target_compile_options(${name} PRIVATE ${QUORRIX_WARNINGS})
    target_compile_definitions(${name} PRIVATE ${QUORRIX_WINDOWS_DEFINITIONS})
    target_link_libraries(${name} PRIVATE quorrix_test_support GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine_prefix)
endfunction()

# The Windows layer.
quorrix_windows_gtest(win32_tests module/Win32Test.cpp)
# A zone with summer time, so that dates on either side of a change show their own offsets; Wine follows TZ.
set_tests_properties(win32_tests PROPERTIES ENVIRONMENT "TZ=Europe/Berlin")

# The window, in-process and as the real program, on a virtual X display; alone, since Wine's desktop process
# belongs to the display of the first program that started it.
find_program(XVFB Xvfb REQUIRED)
# With the program's resources: its icon, and the manifest that chooses the common controls it draws with.
add_executable(win32_window_tests win32/WindowTest.cpp module/AllocationFailure.cpp ${PROJECT_SOURCE_DIR}/win32/Quorrix.rc)
target_include_directories(win32_window_tests PRIVATE ${PROJECT_SOURCE_DIR}/data)
target_compile_options(win32_window_tests PRIVATE ${QUORRIX_WARNINGS})
target_link_libraries(win32_window_tests PRIVATE quorrix_window quorrix_test_support GTest::gtest_main)
add_test(NAME win32_window
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with_display.sh ${CMAKE_CURRENT_SOURCE_DIR}/win32/window.sh
        ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:win32_window_tests> $<TARGET_FILE:Quorrix>)
set_tests_properties(win32_window PROPERTIES TIMEOUT 300 RUN_SERIAL ON FIXTURES_REQUIRED wine_prefix)

# The version record, icon, manifest and imports of the program file, read back with pefile (Debian's python3,
# which has it), and the zip that ships it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QUORRIX_MACHINE i386)
else()
    set(QUORRIX_MACHINE amd64)
endif()
add_test(NAME version_record
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/win32/version_record.py $<TARGET_FILE:Quorrix> ${QUORRIX_MACHINE}
        ${CMAKE_BINARY_DIR}/Quorrix.zip)

# The core's suites that Linux runs too, from the same sources, in programs of the same names. The natural order's
# rows that are ICU's own run on Linux only; here the order is compared with the system's own comparison.
# DateTimeTextTest and FileSystemTest are about the Linux layer (time zone rules, statx, extended attributes):
# win32_tests covers the Windows layer's own.
quorrix_windows_gtest(rules_tests module/PathTest.cpp)
quorrix_windows_gtest(lists_tests module/NaturalOrderTest.cpp module/FileListTest.cpp module/FolderTreeTest.cpp
    module/NavigationTest.cpp)
quorrix_windows_gtest(module1_tests module/Module1Test.cpp module/FileFormTest.cpp module/WindowShellTest.cpp
    module/ChangeProgressTest.cpp)
# Wine takes the time zone from TZ when the program starts: in UTC, the cases' midnights are local midnights.
set_tests_properties(module1_tests PROPERTIES ENVIRONMENT "TZ=UTC")
quorrix_windows_gtest(text_tests module/DisplayTextTest.cpp module/FailureTextTest.cpp module/TableRowsTest.cpp
    module/TableModelTest.cpp module/AllocationFailure.cpp)

# The Wine prefix lives from the first test to the last.
add_test(NAME wine_prefix_remove COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --remove)
set_tests_properties(wine_prefix_remove PROPERTIES FIXTURES_CLEANUP wine_prefix)
