# Renders a help topic (UTF-8 text) as a web page for the browser:
#   cmake -DINPUT=topic -DOUTPUT=page.html -P topic_to_html.cmake
# The text stands as written, in <pre> blocks; its title (the first line,
# underlined with '=') and its headings (underlined with '-') become the
# page's headings instead of underlined lines.
file(READ "${INPUT}" text)
string(REPLACE "&" "&amp;" text "${text}")
string(REPLACE "<" "&lt;" text "${text}")
string(REPLACE ">" "&gt;" text "${text}")
string(REPLACE "\"" "&quot;" text "${text}")
string(FIND "${text}" "\n" title_end)
string(SUBSTRING "${text}" 0 ${title_end} title)
set(body "<pre>\n${text}</pre>\n")
string(REGEX REPLACE "<pre>\n([^\n]+)\n==+\n\n*" "<h1>\\1</h1>\n<pre>\n" body "${body}")
string(REGEX REPLACE "\n\n*([^\n]+)\n--+\n\n*" "\n</pre>\n<h2>\\1</h2>\n<pre>\n" body "${body}")
file(WRITE "${OUTPUT}"
  "<!DOCTYPE html>\n"
  "<html>\n"
  "<head>\n"
  "<meta charset=\"utf-8\">\n"
  "<title>${title}</title>\n"
  "</head>\n"
  "<body>\n"
  "${body}"
  "</body>\n"
  "</html>\n")
