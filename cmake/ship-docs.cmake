# Copies documents into a package at places of their own, pointing each
# relative link at the shipped copy of its target, so that the links work in
# the unpacked package as in the source tree. A link to a document the
# package does not hold stops the packaging.
#   cmake -DSOURCE=<source dir> -DDEST=<package root>
#         "-DDOCS=<tree path>=<package path>|..." -P ship-docs.cmake
include(${CMAKE_CURRENT_LIST_DIR}/doc-links.cmake)

string(REPLACE "|" ";" pairs "${DOCS}")
set(tree_paths)
set(package_paths)
foreach(pair ${pairs})
  string(REGEX REPLACE "=.*" "" tree "${pair}")
  string(REGEX REPLACE "^[^=]*=" "" shipped "${pair}")
  list(APPEND tree_paths ${tree})
  list(APPEND package_paths ${shipped})
endforeach()

# Paths under a made-up root, so that RELATIVE_PATH never meets an empty base.
set(root /package)
foreach(tree ${tree_paths})
  list(FIND tree_paths ${tree} index)
  list(GET package_paths ${index} shipped)
  file(READ ${SOURCE}/${tree} text)
  get_filename_component(tree_dir ${tree} DIRECTORY)
  get_filename_component(shipped_dir ${root}/${shipped} DIRECTORY)
  doc_links("${text}" targets)
  foreach(target ${targets})
    cmake_path(SET linked NORMALIZE "${tree_dir}/${target}")
    list(FIND tree_paths "${linked}" linked_index)
    if(linked_index LESS 0)
      message(FATAL_ERROR "${tree} links ${target}, which the package does not hold")
    endif()
    list(GET package_paths ${linked_index} linked_shipped)
    file(RELATIVE_PATH relocated ${shipped_dir} ${root}/${linked_shipped})
    string(REPLACE "](${target})" "](${relocated})" text "${text}")
    string(REPLACE "](${target}#" "](${relocated}#" text "${text}")
  endforeach()
  file(WRITE ${DEST}/${shipped} "${text}")
endforeach()
