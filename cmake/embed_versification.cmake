# Writes OUT, a C++ source holding the numbering tables of DIR
# (data/versification) as text: osis.txt (the OSIS book names) and every
# SYSTEM.vrs, named after its file. The library parses them on first use, so
# the data files stay the one source and a program needs none of them at
# run time. Run by the build (src/CMakeLists.txt) whenever a file changes.
file(GLOB tables "${DIR}/*.vrs")
list(SORT tables)
file(READ "${DIR}/osis.txt" osis)
set(text "// Generated from data/versification by cmake/embed_versification.cmake.\n")
string(APPEND text "#include \"versification.h\"\n\nnamespace tovrin::detail {\n\n")
string(APPEND text "const char embedded_osis_names[] = R\"tovrin(${osis})tovrin\";\n\n")
string(APPEND text "const EmbeddedTable embedded_tables[] = {\n")
set(count 0)
foreach(table ${tables})
  get_filename_component(name "${table}" NAME_WE)
  file(READ "${table}" body)
  string(APPEND text "    {\"${name}\", R\"tovrin(${body})tovrin\"},\n")
  math(EXPR count "${count} + 1")
endforeach()
string(APPEND text "};\n\nconst std::size_t embedded_table_count = ${count};\n\n")
string(APPEND text "} // namespace tovrin::detail\n")
file(WRITE "${OUT}" "${text}")
