# The help file tv.hlp is compiled by tools/hlpc/hlpc.py from the help source in resources/help
# (the project file tv.help names the sources in order) into ${TV_GENERATED}/help/tv.hlp; in the
# cross tree it is copied beside tv.exe, so the program folder of scripts/run and the test
# program folders get it with the program.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(TV_HELP_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/help)
set(TV_HELP_FILE ${TV_GENERATED}/help/tv.hlp)
file(GLOB TV_HELP_SOURCES CONFIGURE_DEPENDS ${TV_HELP_SOURCE_DIR}/*.txt)
file(MAKE_DIRECTORY ${TV_GENERATED}/help)
add_custom_command(
  OUTPUT ${TV_HELP_FILE}
  COMMAND ${Python3_EXECUTABLE} ${TV_ROOT}/tools/hlpc/hlpc.py ${TV_HELP_SOURCE_DIR}/tv.help ${TV_HELP_FILE}
  DEPENDS ${TV_ROOT}/tools/hlpc/hlpc.py ${TV_HELP_SOURCE_DIR}/tv.help ${TV_HELP_SOURCES}
  COMMENT "Compiling the help file tv.hlp"
  VERBATIM)
add_custom_target(tv_help ALL DEPENDS ${TV_HELP_FILE})
set(TV_HELP_FILE ${TV_HELP_FILE} PARENT_SCOPE)

if(TV_WINDOWS)
  add_custom_target(tv_help_beside_program
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TV_HELP_FILE} $<TARGET_FILE_DIR:tv>/tv.hlp
    DEPENDS tv_help
    COMMENT "Copying tv.hlp beside tv.exe"
    VERBATIM)
  # tv is defined later (shell/); hook the help file into it once every directory is read.
  function(tv_help_attach)
    if(TARGET tv)
      add_dependencies(tv tv_help_beside_program)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${TV_ROOT} CALL tv_help_attach)
endif()
