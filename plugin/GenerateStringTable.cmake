# Generates the Linux string table of a plug-in library from its resource script, so the texts
# are written once (in the .rc) and both builds read the same ones.
# Usage: cmake -DRC_FILE=x.rc -DRESOURCE_HEADER=PluginResources.h -DOUTPUT=x.cpp -P this-file
#
# Understood: "#define NAME number" lines in the header; in the .rc, one STRINGTABLE block with
# lines `NAME "text"` or `number, "text"`, where "" stands for a quote. Anything else inside the
# block, and any backslash escape, stops the build rather than being read wrongly.

cmake_minimum_required(VERSION 3.20)

foreach(var RC_FILE RESOURCE_HEADER OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "GenerateStringTable: ${var} not given")
  endif()
endforeach()

file(STRINGS "${RESOURCE_HEADER}" header_lines)
foreach(line IN LISTS header_lines)
  if(line MATCHES "^[ \t]*#[ \t]*define[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+)[ \t]*$")
    set(id_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endif()
endforeach()

# Read as one text and split by hand: characters that CMake lists treat specially (";", "[",
# "]") are swapped for placeholders first and put back in the texts.
file(READ "${RC_FILE}" rc_text)
string(REPLACE "\r" "" rc_text "${rc_text}")
string(REPLACE ";" "@SEMICOLON@" rc_text "${rc_text}")
string(REPLACE "[" "@LBRACKET@" rc_text "${rc_text}")
string(REPLACE "]" "@RBRACKET@" rc_text "${rc_text}")
string(REPLACE "\n" ";" rc_lines "${rc_text}")
set(state outside)
set(line_number 0)
set(ids "")
set(texts "")
foreach(line IN LISTS rc_lines)
  math(EXPR line_number "${line_number} + 1")
  string(STRIP "${line}" line)
  set(where "${RC_FILE}:${line_number}")
  if(line STREQUAL "" OR line MATCHES "^//")
    continue()
  endif()
  if(state STREQUAL outside)
    if(line MATCHES "^STRINGTABLE")
      set(state header)
    endif()
  elseif(state STREQUAL header)
    if(line MATCHES "^(BEGIN|{)$")
      set(state inside)
    elseif(NOT line MATCHES "^(LANGUAGE|CHARACTERISTICS|VERSION|DISCARDABLE|PRELOAD|MOVEABLE)")
      message(FATAL_ERROR "${where}: expected BEGIN after STRINGTABLE, found: ${line}")
    endif()
  elseif(state STREQUAL inside)
    if(line MATCHES "^(END|})$")
      set(state done)
    elseif(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*|[0-9]+)[ \t]*,?[ \t]*\"(.*)\"$")
      set(name "${CMAKE_MATCH_1}")
      set(text "${CMAKE_MATCH_2}")
      if(name MATCHES "^[0-9]+$")
        set(id ${name})
      elseif(DEFINED id_${name})
        set(id ${id_${name}})
      else()
        message(FATAL_ERROR "${where}: ${name} is not defined in ${RESOURCE_HEADER}")
      endif()
      if(text MATCHES "\\\\")
        message(FATAL_ERROR "${where}: backslash escapes are not supported: ${line}")
      endif()
      # A quote inside the text is written "" in a resource script; a lone one ends the text.
      string(REPLACE "\"\"" "" unquoted "${text}")
      if(unquoted MATCHES "\"")
        message(FATAL_ERROR "${where}: stray quote in: ${line}")
      endif()
      string(REPLACE "\"\"" "\\\"" text "${text}")
      string(REPLACE "@SEMICOLON@" ";" text "${text}")
      string(REPLACE "@LBRACKET@" "[" text "${text}")
      string(REPLACE "@RBRACKET@" "]" text "${text}")
      if(id IN_LIST ids)
        message(FATAL_ERROR "${where}: string ${id} is defined twice")
      endif()
      list(APPEND ids ${id})
      string(APPEND texts "    L\"${text}\",\n")
    else()
      message(FATAL_ERROR "${where}: not a string table entry: ${line}")
    endif()
  endif()
endforeach()

if(NOT state STREQUAL done)
  message(FATAL_ERROR "${RC_FILE}: no complete STRINGTABLE block found")
endif()
list(LENGTH ids count)
if(count EQUAL 0)
  message(FATAL_ERROR "${RC_FILE}: the STRINGTABLE block is empty")
endif()
string(REPLACE ";" ", " id_text "${ids}")
get_filename_component(rc_name "${RC_FILE}" NAME)

set(content "// Generated from ${rc_name} by GenerateStringTable.cmake at build time; do not edit.
#include \"plugin/ModuleStringTable.h\"

namespace {

const UINT stringIds[${count}] = {${id_text}};

const wchar_t* const stringTexts[${count}] = {
${texts}};

} // namespace

void registerModuleStringTable(HINSTANCE module) {
    RegisterModuleStrings(module, ${count}, stringIds, stringTexts);
}
")
# Rewrite only on change, so an unchanged table does not rebuild the module.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old_content)
  if(old_content STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
