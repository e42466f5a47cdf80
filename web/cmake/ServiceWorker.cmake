# Writes the page's service worker (sw.js) from its template: the list of
# every file of the page folder, and a version made from their contents.
# Run as a script: cmake -DPAGE=<folder> -DTEMPLATE=<sw.js.in> -P ServiceWorker.cmake
file(GLOB_RECURSE names RELATIVE ${PAGE} ${PAGE}/*)
list(REMOVE_ITEM names sw.js)
list(SORT names)
set(FILES "\"./\"")
set(hashes "")
foreach(name ${names})
  string(APPEND FILES ", \"${name}\"")
  file(SHA256 ${PAGE}/${name} hash)
  string(APPEND hashes "${name}:${hash}\n")
endforeach()
string(SHA256 VERSION "${hashes}")
string(SUBSTRING ${VERSION} 0 16 VERSION)
configure_file(${TEMPLATE} ${PAGE}/sw.js @ONLY)
