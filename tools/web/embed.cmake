# Writes the files of the web page (index.html, style.css, app.js,
# favicon.svg) into a C++ header as string constants web::k_index_html,
# web::k_style_css, web::k_app_js and web::k_favicon_svg, so that `tovrin serve` needs no
# file at run time.
#   cmake -DIN=tools/web -DOUT=web_assets.h -P embed.cmake
set(text "// Generated from tools/web/ by embed.cmake: do not edit.\n#pragma once\n#include <string_view>\nnamespace web {\n")
foreach(name index.html style.css app.js favicon.svg)
  file(READ ${IN}/${name} content)
  string(FIND "${content}" ")tovrin_web\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${name} holds the end of the raw string literal")
  endif()
  string(MAKE_C_IDENTIFIER ${name} id)
  string(APPEND text "inline constexpr std::string_view k_${id} = R\"tovrin_web(${content})tovrin_web\";\n")
endforeach()
string(APPEND text "} // namespace web\n")
file(WRITE ${OUT} "${text}")
