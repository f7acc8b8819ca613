# The exported interface is exactly what the public header declares with
# ZV_API, plus the few C++ names listed in ZVRAW_EXTRA_EXPORTS. From that one
# list come the linker version script (everything else stays local, template
# instantiations included) and the list the symbol check compares against.
function(zvraw_export_list header out_var)
  file(READ ${header} text)
  string(REGEX MATCHALL "ZV_API[^;(]*[ *]([A-Za-z_][A-Za-z0-9_]*)[ ]*\\(" decls "${text}")
  set(names)
  foreach(decl IN LISTS decls)
    string(REGEX REPLACE ".*[ *]([A-Za-z_][A-Za-z0-9_]*)[ ]*\\($" "\\1" name "${decl}")
    list(APPEND names ${name})
  endforeach()
  list(APPEND names ${ZVRAW_EXTRA_EXPORTS})
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()

function(zvraw_write_export_files header map_file list_file)
  zvraw_export_list(${header} names)
  set(map "{\n  global:\n")
  foreach(name IN LISTS names)
    string(APPEND map "    ${name};\n")
  endforeach()
  string(APPEND map "  local:\n    *;\n};\n")
  file(CONFIGURE OUTPUT ${map_file} CONTENT "${map}" @ONLY)
  list(JOIN names "\n" joined)
  file(CONFIGURE OUTPUT ${list_file} CONTENT "${joined}\n" @ONLY)
endfunction()
