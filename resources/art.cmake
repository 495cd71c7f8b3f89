# The program's pictures (bitmaps, icons, cursors) are drawn by tools/art/make_art.py from the
# text pixel maps in tools/art/maps at build time, into ${TV_GENERATED}/art. The resource
# script art.rc (included by tv.rc) names them as "art/<file>", found through the generated
# folder on the include path.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(TV_ART_TOOL ${TV_ROOT}/tools/art)
set(TV_ART_DIR ${TV_GENERATED}/art)
file(GLOB TV_ART_MAPS CONFIGURE_DEPENDS ${TV_ART_TOOL}/maps/*.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TV_ART_TOOL}/make_art.py)
execute_process(COMMAND ${Python3_EXECUTABLE} ${TV_ART_TOOL}/make_art.py --list
                OUTPUT_VARIABLE TV_ART_FILES RESULT_VARIABLE art_list_result)
if(NOT art_list_result EQUAL 0)
  message(FATAL_ERROR "tools/art/make_art.py --list failed")
endif()
string(STRIP "${TV_ART_FILES}" TV_ART_FILES)
string(REPLACE "\n" ";" TV_ART_FILES "${TV_ART_FILES}")
list(TRANSFORM TV_ART_FILES PREPEND ${TV_ART_DIR}/ OUTPUT_VARIABLE TV_ART_OUTPUTS)

add_custom_command(
  OUTPUT ${TV_ART_OUTPUTS}
  COMMAND ${Python3_EXECUTABLE} ${TV_ART_TOOL}/make_art.py ${TV_ART_DIR}
  DEPENDS ${TV_ART_TOOL}/make_art.py ${TV_ART_TOOL}/artlib.py ${TV_ART_MAPS}
  COMMENT "Drawing the program's pictures"
  VERBATIM)
add_custom_target(tv_art ALL DEPENDS ${TV_ART_OUTPUTS})
set(TV_ART_DIR ${TV_ART_DIR} PARENT_SCOPE)
set(TV_ART_OUTPUTS ${TV_ART_OUTPUTS} PARENT_SCOPE)

if(TV_WINDOWS)
  # The program loads the download state icons tvft1.ico ... tvft3.ico from its own folder.
  add_custom_target(tv_state_icons
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${TV_ART_DIR}/tvft1.ico ${TV_ART_DIR}/tvft2.ico ${TV_ART_DIR}/tvft3.ico
            $<TARGET_FILE_DIR:tv>
    DEPENDS tv_art
    COMMENT "Copying the download state icons beside tv.exe"
    VERBATIM)
  # tv is defined later (shell/); hook the pictures into it once every directory is read.
  function(tv_art_attach)
    if(TARGET tv)
      add_dependencies(tv tv_art tv_state_icons)
      set_property(SOURCE ${TV_ROOT}/resources/tv.rc TARGET_DIRECTORY tv APPEND PROPERTY
                   OBJECT_DEPENDS ${TV_ART_OUTPUTS} ${TV_ROOT}/resources/art.rc)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${TV_ROOT} CALL tv_art_attach)
endif()
