# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Makes the guide's HTML page: cmark-gfm turns the Markdown into HTML, tables included, and this
# script wraps it into a complete page. The section headings get the anchors that the contents
# list links (cmark-gfm gives headings none); a link to an anchor no heading has fails the build.
#   cmake -DCMARK_GFM=<program> -DINPUT=<guide.md> -DOUTPUT=<page.html> -P guide_page.cmake
execute_process(COMMAND "${CMARK_GFM}" -e table --to html "${INPUT}"
                OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark-gfm could not convert ${INPUT}")
endif()
file(READ "${INPUT}" markdown)

# The page's title is the guide's first heading.
string(REGEX MATCH "^# ([^\n]*)" heading "${markdown}")
set(title "${CMAKE_MATCH_1}")

# A link as cmark-gfm writes it: the bytes beyond ASCII percent-encoded.
function(encoded_link anchor out)
  file(WRITE "${OUTPUT}.anchor" "${anchor}")
  file(READ "${OUTPUT}.anchor" hex HEX)
  file(REMOVE "${OUTPUT}.anchor")
  string(LENGTH "${hex}" length)
  set(link "")
  set(i 0)
  while(i LESS length)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    if(byte MATCHES "^[89a-f]")
      string(TOUPPER "%${byte}" byte)
    else()
      math(EXPR code "0x${byte}")
      string(ASCII ${code} byte)
    endif()
    string(APPEND link "${byte}")
    math(EXPR i "${i} + 2")
  endwhile()
  set(${out} "${link}" PARENT_SCOPE)
endfunction()

# The contents list names the sections in the order of their headings: "N. [Title](#anchor)".
# Each heading gets its anchor, and the links to it name the anchor as the heading has it.
string(REGEX MATCHALL "\n[0-9]+\\. \\[[^\n]*\\]\\(#[^)\n]*\\)" contents "${markdown}")
foreach(entry IN LISTS contents)
  string(REGEX MATCH "\\(#(.*)\\)" link "${entry}")
  encoded_link("${CMAKE_MATCH_1}" encoded)
  string(REPLACE "href=\"#${encoded}\"" "href=\"#${CMAKE_MATCH_1}\"" body "${body}")
endforeach()
set(done "")
foreach(entry IN LISTS contents)
  string(REGEX MATCH "\\[(.*)\\]\\(#(.*)\\)" link "${entry}")
  set(text "${CMAKE_MATCH_1}")
  set(anchor "${CMAKE_MATCH_2}")
  string(FIND "${body}" "<h2>" at)
  string(FIND "${body}" "</h2>" end)
  if(at EQUAL -1 OR end LESS at)
    message(FATAL_ERROR "${INPUT}: the contents list names \"${text}\", but no heading follows")
  endif()
  math(EXPR length "${end} - ${at} - 4")
  math(EXPR at_text "${at} + 4")
  string(SUBSTRING "${body}" ${at_text} ${length} found)
  if(NOT found MATCHES "^[0-9]+\\. (.*)$" OR NOT CMAKE_MATCH_1 STREQUAL text)
    message(FATAL_ERROR "${INPUT}: the contents list names \"${text}\" where the heading is \"${found}\"")
  endif()
  string(SUBSTRING "${body}" 0 ${at} before)
  math(EXPR after_at "${end} + 5")
  string(SUBSTRING "${body}" ${after_at} -1 body)
  string(APPEND done "${before}<h2 id=\"${anchor}\">${found}</h2>")
endforeach()
set(body "${done}${body}")

# Every link within the page reaches an anchor.
string(REGEX MATCHALL "href=\"#[^\"]*\"" links "${body}")
foreach(link IN LISTS links)
  string(REGEX REPLACE "^href=\"#(.*)\"$" "\\1" anchor "${link}")
  string(FIND "${body}" "id=\"${anchor}\"" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${INPUT} links #${anchor}, which no heading has")
  endif()
endforeach()

file(WRITE "${OUTPUT}" "<!DOCTYPE html>
<html lang=\"ru\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<style>
body { font-family: sans-serif; line-height: 1.5; max-width: 52em; margin: 0 auto; padding: 1em; color: #202020; }
img { max-width: 100%; height: auto; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #a0a0a0; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }
th { background: #ececec; }
pre { background: #f4f4f4; padding: 0.5em 1em; white-space: pre-wrap; }
</style>
</head>
<body>
${body}</body>
</html>
")
