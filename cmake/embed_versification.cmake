# Writes OUT, a C++ source holding the numbering tables of DIR
# (data/versification) as text: osis.txt (the OSIS book names), every
# SYSTEM.vrs and every verse map SYSTEM.map, named after their files. The library parses them on first use, so
# the data files stay the one source and a program needs none of them at
# run time. Run by the build (src/CMakeLists.txt) whenever a file changes.
file(READ "${DIR}/osis.txt" osis)
set(text "// Generated from data/versification by cmake/embed_versification.cmake.\n")
string(APPEND text "#include \"versification.h\"\n\nnamespace tovrin::detail {\n\n")
string(APPEND text "const char embedded_osis_names[] = R\"tovrin(${osis})tovrin\";\n\n")

# The files DIR/*.EXTENSION as the array VARIABLE[] and its size
# VARIABLE_count ("embedded_tables", "embedded_table_count").
function(embed_files extension variable count_variable)
  file(GLOB files "${DIR}/*.${extension}")
  list(SORT files)
  set(out "const EmbeddedTable ${variable}[] = {\n")
  set(count 0)
  foreach(file ${files})
    get_filename_component(name "${file}" NAME_WE)
    file(READ "${file}" body)
    string(APPEND out "    {\"${name}\", R\"tovrin(${body})tovrin\"},\n")
    math(EXPR count "${count} + 1")
  endforeach()
  string(APPEND out "};\n\nconst std::size_t ${count_variable} = ${count};\n\n")
  set(embedded "${out}" PARENT_SCOPE)
endfunction()

embed_files(vrs embedded_tables embedded_table_count)
string(APPEND text "${embedded}")
embed_files(map embedded_maps embedded_map_count)
string(APPEND text "${embedded}")
string(APPEND text "} // namespace tovrin::detail\n")
file(WRITE "${OUT}" "${text}")
