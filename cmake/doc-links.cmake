# The relative links of a Markdown text, for shipping documents and for
# checking them in a package: "[text](target#anchor)" with a target that is
# neither a web address nor an anchor of the same document.
#   doc_links(<text> <out>): every such target once, anchor cut off
function(doc_links text out)
  # No square brackets in a list: CMake would not split it at them.
  string(REPLACE "]" "|" text "${text}")
  string(REGEX MATCHALL "\\|\\([^)# ]+[)#]" found "${text}")
  set(targets)
  foreach(link ${found})
    string(REGEX REPLACE "^\\|\\((.*)[)#]$" "\\1" target "${link}")
    if(NOT target MATCHES "^[a-z]+:" AND NOT target MATCHES "^/")
      list(APPEND targets ${target})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES targets)
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Fails, naming each, when a link of a Markdown file under <folder> leads to
# no file there.
function(check_doc_links folder)
  file(GLOB_RECURSE docs RELATIVE ${folder} ${folder}/*.md)
  foreach(doc ${docs})
    file(READ ${folder}/${doc} text)
    doc_links("${text}" targets)
    get_filename_component(doc_dir ${folder}/${doc} DIRECTORY)
    foreach(target ${targets})
      cmake_path(SET path NORMALIZE "${doc_dir}/${target}")
      cmake_path(IS_PREFIX folder "${path}" NORMALIZE inside)
      if(NOT inside OR NOT EXISTS "${path}")
        message(SEND_ERROR "${folder}/${doc} links ${target}, which is not in the package")
      endif()
    endforeach()
  endforeach()
endfunction()
