# Common settings and helper functions of the build.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(TV_WINDOWS ON)
else()
  set(TV_WINDOWS OFF)
endif()

set(TV_WARNINGS -Wall -Wextra)
option(TV_WERROR "Treat warnings as errors" ON)
if(TV_WERROR)
  list(APPEND TV_WARNINGS -Werror)
endif()

if(TV_WINDOWS)
  enable_language(RC)
  add_compile_definitions(STRICT NOMINMAX WINVER=0x0501 _WIN32_WINNT=0x0501
                          _WIN32_IE=0x0600)
  set(TV_STATIC_LINK -static -static-libgcc -static-libstdc++)
  set(TV_WIN_LIBS comctl32 comdlg32 shell32 ole32 oleaut32 uuid gdi32 user32 advapi32 version)
  # Wine runner used by ctest for every Windows test executable.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TV_ROOT}/scripts/wine-run)
else()
  option(TV_SANITIZE "Native build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
  if(TV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Every target of ours gets the warnings and the source root on its include path; the
# third-party targets (GoogleTest, libzip) keep their own flags.
function(tv_target_defaults target)
  target_compile_options(${target} PRIVATE ${TV_WARNINGS})
  target_include_directories(${target} PUBLIC ${TV_ROOT} ${CMAKE_BINARY_DIR}/generated)
endfunction()

# --- GoogleTest: built from Debian's sources for both trees (same compiler as the code under test).
set(TV_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${TV_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# tv_add_test(NAME <name> SOURCES <files...> [LIBS <libs...>] [LABELS <labels...>] [SERIAL])
# A GoogleTest executable run by ctest; under the cross build ctest runs it through Wine.
function(tv_add_test)
  cmake_parse_arguments(T "SERIAL" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  tv_target_defaults(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(TV_WINDOWS)
    target_link_libraries(${T_NAME} PRIVATE ${TV_WIN_LIBS})
    target_link_options(${T_NAME} PRIVATE ${TV_STATIC_LINK})
  endif()
  # Both trees are run by one ctest: Windows tests carry the prefix "win." in their names.
  if(TV_WINDOWS)
    set(test_name win.${T_NAME})
  else()
    set(test_name native.${T_NAME})
  endif()
  add_test(NAME ${test_name} COMMAND ${T_NAME} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${test_name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(TV_WINDOWS)
    set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  if(T_SERIAL)
    # Programs that show windows or own the single-instance frame run one at a time.
    set_tests_properties(${test_name} PROPERTIES RESOURCE_LOCK wine_desktop)
  endif()
endfunction()
