# Installs the build into a scratch prefix and checks that the installed
# program finds its window module there. Arguments:
#   BUILD_DIR  the build folder    PREFIX  a scratch folder (emptied)
#   STUB_DIR   libraries named like Qt's that abort whoever loads them
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
file(GLOB_RECURSE modules ${PREFIX}/*/lumaprism-gui.so)
if(NOT modules)
  message(FATAL_ERROR "no lumaprism-gui.so installed under ${PREFIX}")
endif()
# The manual the Help menu opens lies beside the other shipped files.
if(NOT EXISTS ${PREFIX}/share/lumaprism/help/index.html OR NOT EXISTS ${PREFIX}/share/lumaprism/help/style.css)
  message(FATAL_ERROR "the manual was not installed under ${PREFIX}/share/lumaprism/help")
endif()
execute_process(COMMAND ${PREFIX}/bin/lumaprism --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^Lumaprism ")
  message(FATAL_ERROR "the installed program does not run: ${rc} ${out}")
endif()
# Asked for a window, the installed program must reach the module (and so the
# toolkit, here the aborting stand-ins) instead of reporting it missing.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${STUB_DIR} QT_QPA_PLATFORM=offscreen
                        LUMAPRISM_HOME=${PREFIX}/home ${PREFIX}/bin/lumaprism
                WORKING_DIRECTORY ${PREFIX} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT err MATCHES "version Qt_6|stub libQt6")
  message(FATAL_ERROR "the installed program did not find its window module ${modules}:\n${err}")
endif()
message(STATUS "installed module ${modules} found by ${PREFIX}/bin/lumaprism")
