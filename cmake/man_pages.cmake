# Writes the manual pages from the programs themselves: each command's page is
# its --help text, asked of it under its installed name, so the page and --help
# cannot drift apart. Run at build time:
#
#   cmake -DLINKS=DIR -DOUT=DIR -DVERSION=V -DREADME=FILE -DCOMMANDS="zentara-NAME=PROGRAM;..." -P man_pages.cmake
#
# OUT gets zentara-NAME.1.gz for each command and zentara.7.gz, the suite's
# overview page, which lists the commands by the first sentence of their help
# and opens with the README's introduction.

# Text for roff: backslashes shown as such, no line read as a request.
# (';' stands as @SEMICOLON@ until the page is written: CMake lists split at ';'.)
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text in bold with its minus signs as such (options, commands).
function(roff_literal text out)
  roff_text("${text}" text)
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(write_gzipped path)
  string(CONCAT text ${ARGN})
  string(REPLACE "@SEMICOLON@" ";" text "${text}")
  file(WRITE "${path}" "${text}")
  file(REMOVE "${path}.gz")
  execute_process(COMMAND gzip -9n "${path}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip -9n ${path} failed")
  endif()
endfunction()

file(MAKE_DIRECTORY "${LINKS}" "${OUT}")
set(overview_commands "")
foreach(entry ${COMMANDS})
  string(REGEX MATCH "^([^=]+)=(.*)$" matched "${entry}")
  set(name "${CMAKE_MATCH_1}")
  set(program "${CMAKE_MATCH_2}")
  # Asked under its installed name: the usage lines then name it so.
  file(REMOVE "${LINKS}/${name}")
  file(CREATE_LINK "${program}" "${LINKS}/${name}" SYMBOLIC)
  execute_process(COMMAND "${LINKS}/${name}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT help MATCHES "^usage: ${name}")
    message(FATAL_ERROR "${name} --help: exit ${rc}, no usage line naming it:\n${help}")
  endif()

  # The help's parts: usage lines, options ("  --name  text" and the lines
  # indented below it), the rest is the description, a paragraph for each line
  # that starts a "Key:" or an "Exit" line.
  string(REPLACE ";" "@SEMICOLON@" help "${help}")
  string(REGEX REPLACE "\n$" "" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  set(synopsis "")
  set(description "")
  set(options "")
  set(exit_status "")
  set(part usage)
  foreach(line IN LISTS lines)
    if(part STREQUAL usage AND line MATCHES "^(usage: |       )(${name}.*)$")
      roff_literal("${CMAKE_MATCH_2}" text)
      if(NOT synopsis STREQUAL "")
        string(APPEND synopsis ".br\n")
      endif()
      string(APPEND synopsis "${text}\n")
      continue()
    endif()
    if(line MATCHES "^  (-[^ ]*( [A-Z.]+)?)  +(.*)$")
      set(part option)
      roff_literal("${CMAKE_MATCH_1}" tag)
      roff_text("${CMAKE_MATCH_3}" text)
      string(APPEND options ".TP\n.B ${tag}\n${text}\n")
    elseif(part STREQUAL option AND line MATCHES "^     +(.*)$")
      roff_text("${CMAKE_MATCH_1}" text)
      string(APPEND options "${text}\n")
    elseif(line MATCHES "^Exit " OR (part STREQUAL exit AND NOT line MATCHES "^  "))
      set(part exit)
      roff_text("${line}" text)
      string(APPEND exit_status "${text}\n")
    else()
      set(part description)
      string(STRIP "${line}" stripped)
      roff_text("${stripped}" text)
      if(line MATCHES "^([A-Z][a-z]+: |One program)" AND NOT description STREQUAL "")
        string(APPEND description ".PP\n")
      endif()
      string(APPEND description "${text}\n")
    endif()
  endforeach()
  if(NOT exit_status STREQUAL "")
    set(exit_status ".SH EXIT STATUS\n${exit_status}")
  endif()
  # NAME: the description's first sentence.
  string(REPLACE "\n" " " prose "${description}")
  string(REGEX REPLACE "\\.PP " "" prose "${prose}")
  string(REGEX MATCH "^([^.]|\\.[^ ])*" summary "${prose}")
  string(REGEX REPLACE "  +" " " summary "${summary}")
  string(TOUPPER "${name}" title)
  write_gzipped("${OUT}/${name}.1"
    ".TH ${title} 1 \"\" \"Zentara ${VERSION}\" \"Zentara\"\n"
    ".SH NAME\n${name} \\- ${summary}\n"
    ".SH SYNOPSIS\n${synopsis}"
    ".SH DESCRIPTION\n${description}"
    ".SH OPTIONS\n${options}"
    "${exit_status}"
    ".SH SEE ALSO\n.BR zentara (7)\n")
  roff_literal("${name}" literal)
  string(APPEND overview_commands ".TP\n.BR ${literal} (1)\n${summary}.\n")
endforeach()

# The overview: the README's introduction (its paragraphs before the first
# section), then the commands.
file(READ "${README}" readme)
string(REPLACE ";" "@SEMICOLON@" readme "${readme}")
string(REGEX REPLACE "\n## .*" "" intro "${readme}")
string(REGEX REPLACE "^# [^\n]*\n+" "" intro "${intro}")
string(REPLACE "`" "" intro "${intro}")
string(STRIP "${intro}" intro)
roff_text("${intro}" intro)
string(REGEX REPLACE "\n\n+" "\n.PP\n" intro "${intro}")
write_gzipped("${OUT}/zentara.7"
  ".TH ZENTARA 7 \"\" \"Zentara ${VERSION}\" \"Zentara\"\n"
  ".SH NAME\nzentara \\- unattended solvers for edge-matching puzzles\n"
  ".SH DESCRIPTION\n${intro}\n"
  ".SH COMMANDS\n${overview_commands}"
  ".SH FILES\n"
  ".TP\n.I /usr/share/doc/zentara/README.md\n"
  "the front page; the pages on each topic are beside it in\n.IR docs/ .\n")
