# Regenerates the pictures into OUT and compares them with the committed ones.
# A cross-built ARTGEN runs under EMULATOR.
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${EMULATOR} ${ARTGEN} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "artgen failed its own checks (exit ${rc})")
endif()
foreach(name skypic.bmp gameoverpic.bmp coinflight.svg coinflight.ico icon-192.png icon-512.png
             icon-maskable-512.png)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${DATA}/${name}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "data/${name} is not what tools/artgen.cpp paints: run artgen data")
  endif()
endforeach()
