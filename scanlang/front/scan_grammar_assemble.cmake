# Assembles the parser's grammar from its fragments.  Run as a script:
#
#   cmake -DDIR=<grammar folder> -DOUT=<file> -P scan_grammar_assemble.cmake
#
# Every *.y file under DIR (subfolders included) is a fragment, taken in
# the order of their paths.  A fragment that holds a line "%%" gives the
# text before it to the declarations and the text after it to the rules;
# a fragment without one is all rules; text after a second "%%" line
# goes to the code after the rules.  OUT is the declarations of all
# fragments, "%%", the rules of all fragments, "%%" and that code; the
# file is rewritten only when its text changes.
if(NOT DIR OR NOT OUT)
  message(FATAL_ERROR "scan_grammar_assemble.cmake: DIR and OUT must be given")
endif()
file(GLOB_RECURSE fragments RELATIVE "${DIR}" "${DIR}/*.y")
list(SORT fragments)
set(decls "")
set(rules "")
set(code "")
foreach(f IN LISTS fragments)
  file(READ "${DIR}/${f}" text)
  set(text "\n${text}")
  string(FIND "${text}" "\n%%\n" split)
  if(split EQUAL -1)
    string(APPEND rules "\n/* ---- ${f} */${text}\n")
  else()
    string(SUBSTRING "${text}" 0 ${split} head)
    math(EXPR after "${split} + 4")
    string(SUBSTRING "${text}" ${after} -1 tail)
    string(APPEND decls "\n/* ---- ${f} */${head}\n")
    string(FIND "\n${tail}" "\n%%\n" split)
    if(NOT split EQUAL -1)
      math(EXPR after "${split} + 4")
      string(SUBSTRING "\n${tail}" ${after} -1 more)
      string(SUBSTRING "\n${tail}" 0 ${split} tail)
      string(APPEND code "\n/* ---- ${f} */\n${more}\n")
    endif()
    string(APPEND rules "\n/* ---- ${f} */\n${tail}\n")
  endif()
endforeach()
set(out "${decls}\n%%\n${rules}\n%%\n${code}")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL out)
  file(WRITE "${OUT}.tmp" "${out}")
  file(RENAME "${OUT}.tmp" "${OUT}")
endif()
