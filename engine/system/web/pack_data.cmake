# Packs a data folder into a site's data package, data.pack: a tar (GNU
# format) of data/<file>, compressed with gzip; the page unpacks it
# (engine/system/web/page.js). Run in an empty staging folder:
#   cmake -DDATA=<folder> [-DOVERRIDES=<folder>] -DOUT=<file> -P pack_data.cmake
# The files of OVERRIDES take the place of the files of DATA of the same name.
file(REMOVE_RECURSE data)
file(GLOB files ${DATA}/*)
if(NOT files)
  message(FATAL_ERROR "No data folder at ${DATA}: build the native data first (scripts/web.sh does)")
endif()
file(COPY ${files} DESTINATION data)
if(OVERRIDES)
  file(GLOB files ${OVERRIDES}/*)
  file(COPY ${files} DESTINATION data)
endif()
file(GLOB names RELATIVE ${CMAKE_CURRENT_BINARY_DIR} data/*)
list(SORT names)
get_filename_component(site ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${site})
file(ARCHIVE_CREATE OUTPUT ${OUT} PATHS ${names} FORMAT gnutar COMPRESSION GZip COMPRESSION_LEVEL 9)
