# Renders a help topic (UTF-8 text) as a web page for the browser:
#   cmake -DINPUT=topic -DOUTPUT=page.html -P topic_to_html.cmake
# The text stands as written, in a <pre> block; its first line is the title.
file(READ "${INPUT}" text)
string(REPLACE "&" "&amp;" text "${text}")
string(REPLACE "<" "&lt;" text "${text}")
string(REPLACE ">" "&gt;" text "${text}")
string(REPLACE "\"" "&quot;" text "${text}")
string(FIND "${text}" "\n" title_end)
string(SUBSTRING "${text}" 0 ${title_end} title)
file(WRITE "${OUTPUT}"
  "<!DOCTYPE html>\n"
  "<html>\n"
  "<head>\n"
  "<meta charset=\"utf-8\">\n"
  "<title>${title}</title>\n"
  "</head>\n"
  "<body>\n"
  "<pre>\n"
  "${text}"
  "</pre>\n"
  "</body>\n"
  "</html>\n")
