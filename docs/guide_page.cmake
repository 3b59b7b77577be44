# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Makes the guide's HTML page: cmark-gfm turns the Markdown into HTML, tables included, and this
# script wraps it into a complete page that a teacher can navigate and print:
# - every heading gets the anchor a Markdown viewer gives it (lower case, punctuation dropped,
#   blanks as hyphens), so the guide's links work in both;
# - a link «к содержанию» closes each numbered section;
# - a picture standing alone, followed by its caption in italics ("*Рисунок N. ...*"), becomes a
#   figure with that caption;
# - print styles: each numbered section starts a page, figures and tables are not split.
# The build fails where the guide breaks its own rules: a link to no anchor, a section missing
# from the contents, a picture without a caption or out of number, a section named ("раздел 5")
# without a link to it, a dash or a unit after an ordinary blank (one that a line may break at).
#   cmake -DCMARK_GFM=<program> -DINPUT=<guide.md> -DOUTPUT=<page.html> -P guide_page.cmake
cmake_minimum_required(VERSION 3.16)
execute_process(COMMAND "${CMARK_GFM}" -e table --to html "${INPUT}"
                OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark-gfm could not convert ${INPUT}")
endif()
file(READ "${INPUT}" markdown)

# A failure, with the text around where it was found.
function(fail_at text what found)
  string(FIND "${text}" "${found}" at)
  math(EXPR from "${at} - 40")
  if(from LESS 0)
    set(from 0)
  endif()
  string(SUBSTRING "${text}" ${from} 100 context)
  string(REPLACE "\n" " " context "${context}")
  message(FATAL_ERROR "${INPUT}: ${what}: \"...${context}...\"")
endfunction()

# Fails where the text has a match of the expression.
function(refuse text expression what)
  string(REGEX MATCH "${expression}" found "${text}")
  if(found)
    fail_at("${text}" "${what}" "${found}")
  endif()
endfunction()

# Typography, in the text outside code (which quotes the program): a dash and a unit stay on the
# line of the word or number before them, so the blank before them is a no-break space (U+00A0).
set(prose "${markdown}")
string(REGEX REPLACE "\n```[^`]*\n```" "\n" prose "${prose}")
string(REGEX REPLACE "`[^`\n]*`" "" prose "${prose}")
refuse("${prose}" "[ \n](—|–)" "a dash after an ordinary blank; put a no-break space before it")
set(units "точ|пиксел|процент|%|×|минут|секунд|шаг|цвет|миллион|бит|байт|KiB|MiB|GiB")
refuse("${prose}" "[0-9][ \n](${units}|[0-9][0-9][0-9])"
       "a unit after an ordinary blank; put a no-break space before it")

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

# The anchor of a heading as Markdown viewers make it: the text without markup, in lower case,
# without punctuation, each blank a hyphen.
set(capitals А Б В Г Д Е Ё Ж З И Й К Л М Н О П Р С Т У Ф Х Ц Ч Ш Щ Ъ Ы Ь Э Ю Я)
set(small а б в г д е ё ж з и й к л м н о п р с т у ф х ц ч ш щ ъ ы ь э ю я)
function(heading_anchor text out)
  string(REGEX REPLACE "<[^>]*>|&[a-z]+;" "" text "${text}")
  string(TOLOWER "${text}" text)
  foreach(i RANGE 32)
    list(GET capitals ${i} capital)
    list(GET small ${i} lower)
    string(REPLACE "${capital}" "${lower}" text "${text}")
  endforeach()
  string(REGEX REPLACE "[]!\"#$%&'()*+,./:;<=>?@[\\^`{|}~]" "" text "${text}")
  foreach(mark « » … — – × №  )
    string(REPLACE "${mark}" "" text "${text}")
  endforeach()
  string(REPLACE " " "-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Every heading gets its anchor, and the links to it name the anchor as the heading has it.
string(REGEX MATCHALL "<h[1-4]>[^\n]*</h[1-4]>" headings "${body}")
set(anchors "")
set(sections "")
foreach(heading IN LISTS headings)
  string(REGEX MATCH "^<h([1-4])>(.*)</h[1-4]>$" parts "${heading}")
  set(level ${CMAKE_MATCH_1})
  set(text "${CMAKE_MATCH_2}")
  heading_anchor("${text}" anchor)
  if("${anchor}" IN_LIST anchors)
    message(FATAL_ERROR "${INPUT}: two headings have the anchor #${anchor}")
  endif()
  list(APPEND anchors "${anchor}")
  set(class "")
  if(level EQUAL 2 AND text MATCHES "^[0-9]+\\. ")
    list(APPEND sections "${anchor}")
    set(class " class=\"section\"")
  endif()
  string(REPLACE "${heading}" "<h${level} id=\"${anchor}\"${class}>${text}</h${level}>" body
         "${body}")
  encoded_link("${anchor}" encoded)
  string(REPLACE "href=\"#${encoded}\"" "href=\"#${anchor}\"" body "${body}")
endforeach()

# Every link within the page reaches an anchor, and the contents list every numbered section.
string(REGEX MATCHALL "href=\"#[^\"]*\"" links "${body}")
foreach(link IN LISTS links)
  string(REGEX REPLACE "^href=\"#(.*)\"$" "\\1" anchor "${link}")
  if(NOT "${anchor}" IN_LIST anchors)
    message(FATAL_ERROR "${INPUT} links #${anchor}, which no heading has")
  endif()
endforeach()
string(FIND "${body}" "<h2 id=\"содержание\">" contents)
if(contents EQUAL -1)
  message(FATAL_ERROR "${INPUT} has no heading \"Содержание\"")
endif()
string(SUBSTRING "${body}" ${contents} -1 contents)
string(REGEX REPLACE "\n<h2 id=\"[^\"]*\" class=\"section\".*" "" contents "${contents}")
foreach(anchor IN LISTS sections)
  string(FIND "${contents}" "href=\"#${anchor}\"" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${INPUT}: the contents do not list #${anchor}")
  endif()
endforeach()

# A section named by its number is a link to it.
string(REGEX REPLACE "<a [^>]*>[^<]*</a>" "" unlinked "${body}")
refuse("${unlinked}" "раздел(а|е|ы|ах)?( | )[0-9]+" "a section named without a link to it")

# A link back to the contents closes each numbered section.
set(back "<p class=\"back\"><a href=\"#содержание\">↑ к содержанию</a></p>\n")
list(REMOVE_AT sections 0)
foreach(anchor IN LISTS sections)
  string(REPLACE "<h2 id=\"${anchor}\"" "${back}<h2 id=\"${anchor}\"" body "${body}")
endforeach()
string(APPEND body "${back}")

# Pictures with their captions as figures, numbered in order.
# (Taken one by one: a list would split a picture's description at its semicolons.)
set(number 0)
set(rest "${body}")
set(body "")
while(rest MATCHES "<p>(<img [^>]*>)</p>\n<p><em>([^<]*)</em></p>")
  set(figure "${CMAKE_MATCH_0}")
  set(picture "${CMAKE_MATCH_1}")
  set(caption "${CMAKE_MATCH_2}")
  math(EXPR number "${number} + 1")
  if(NOT caption MATCHES "^Рисунок ${number}\\. ")
    fail_at("${rest}" "figure ${number} has the caption \"${caption}\"" "${figure}")
  endif()
  string(FIND "${rest}" "${figure}" at)
  string(SUBSTRING "${rest}" 0 ${at} before)
  string(LENGTH "${figure}" length)
  math(EXPR at "${at} + ${length}")
  string(SUBSTRING "${rest}" ${at} -1 rest)
  string(APPEND body "${before}<figure id=\"рисунок-${number}\">${picture}\n"
         "<figcaption>${caption}</figcaption></figure>")
endwhile()
string(APPEND body "${rest}")
refuse("${body}" "<p><img [^>]*></p>"
       "a picture without its caption (\"*Рисунок N. ...*\" below it)")

file(WRITE "${OUTPUT}" "<!DOCTYPE html>
<html lang=\"ru\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<style>
body { font-family: sans-serif; line-height: 1.5; max-width: 52em; margin: 0 auto; padding: 1em; color: #202020; }
img { max-width: 100%; height: auto; vertical-align: middle; }
figure { margin: 1em 0; }
figcaption { font-size: 0.9em; color: #505050; margin-top: 0.3em; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #a0a0a0; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }
th { background: #ececec; }
td img { display: block; margin: 0 auto; }
pre { background: #f4f4f4; padding: 0.5em 1em; white-space: pre-wrap; }
.back { font-size: 0.9em; text-align: right; }
@page { size: A4; margin: 12mm 14mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; line-height: 1.3; }
  h2.section { break-before: page; }
  h2, h3, h4 { break-after: avoid; }
  figure, table, pre, li { break-inside: avoid; }
  .back { display: none; }
  a { color: inherit; text-decoration: none; }
}
</style>
</head>
<body>
${body}</body>
</html>
")
