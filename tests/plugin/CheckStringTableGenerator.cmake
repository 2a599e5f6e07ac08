# Runs the string-table generator on resource scripts it must translate exactly and on ones it
# must refuse. Usage: cmake -DGENERATOR=... -DRESOURCE_HEADER=... -DFIXTURES=... -DWORK=... -P this
cmake_minimum_required(VERSION 3.20)

function(generate rc out result)
  execute_process(COMMAND ${CMAKE_COMMAND} -DRC_FILE=${FIXTURES}/${rc}
                          -DRESOURCE_HEADER=${RESOURCE_HEADER} -DOUTPUT=${out} -P ${GENERATOR}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  set(${result} ${status} PARENT_SCOPE)
  set(generator_errors "${errors}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${WORK})
set(failures 0)

generate(unusual_texts.rc ${WORK}/unusual_texts.cpp status)
if(NOT status EQUAL 0)
  message(SEND_ERROR "unusual_texts.rc was refused: ${generator_errors}")
else()
  file(READ ${WORK}/unusual_texts.cpp generated)
  file(STRINGS ${FIXTURES}/unusual_texts.expected expected_lines ENCODING UTF-8)
  foreach(line IN LISTS expected_lines)
    string(FIND "${generated}" "${line}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "unusual_texts.rc: generated table lacks the line: ${line}")
    endif()
  endforeach()
endif()

foreach(rc unknown_name.rc escape.rc duplicate.rc unclosed.rc)
  generate(${rc} ${WORK}/refused.cpp status)
  if(status EQUAL 0)
    message(SEND_ERROR "${rc} was accepted; the generator must stop on it")
  endif()
endforeach()
