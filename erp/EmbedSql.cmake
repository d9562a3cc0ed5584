# Writes OUTPUT, a C++ source that defines ovardx::erp::detail::SYMBOL
# (kErpSchemaSql unless given) as the text of INPUT in a raw string literal.
if(NOT SYMBOL)
  set(SYMBOL kErpSchemaSql)
endif()
file(READ ${INPUT} content)
set(delimiter "erp_sql")
string(FIND "${content}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter ${delimiter}")
endif()
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace ovardx::erp::detail {\n"
  "extern const char ${SYMBOL}[];\n"
  "const char ${SYMBOL}[] = R\"${delimiter}(${content})${delimiter}\";\n"
  "}  // namespace ovardx::erp::detail\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
