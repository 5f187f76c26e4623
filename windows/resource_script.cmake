# Writes the program's resource script: the entries of resources.list (the bitmaps and the icon
# group) and a version record. Run during the build as
#   cmake -DLIST=resources.list -DPICTURES=dir -DPRODUCT=name -DVERSION=x.y.z -DLICENSE=file -DOUTPUT=file.rc
#         -P resource_script.cmake
# The version record's copyright is the licence's own copyright line.
file(STRINGS "${LICENSE}" copyright REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT copyright)
  message(FATAL_ERROR "${LICENSE}: no copyright line")
endif()
file(STRINGS "${LIST}" entries REGEX "^[0-9]")
set(script "// Generated from resources.list during the build.\n")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "^([0-9]+)[ \t]+([A-Z_]+)[ \t]+([^ \t]+)[ \t]*$")
    message(FATAL_ERROR "${LIST}: cannot read '${entry}'")
  endif()
  set(type "${CMAKE_MATCH_2}")
  if(type STREQUAL "GROUP_ICON")
    set(type ICON)  # the resource compiler makes the group and one icon per image of the file
  elseif(NOT type STREQUAL "BITMAP")
    message(FATAL_ERROR "${LIST}: no resource script type for ${type}")
  endif()
  string(APPEND script "${CMAKE_MATCH_1} ${type} \"${PICTURES}/${CMAKE_MATCH_3}\"\n")
endforeach()

# Four numbers for the binary version fields, missing ones 0.
string(REPLACE "." ";" numbers "${VERSION}")
list(APPEND numbers 0 0 0)
list(SUBLIST numbers 0 4 numbers)
list(JOIN numbers "," numbers)
string(APPEND script "
1 VERSIONINFO
FILEVERSION ${numbers}
PRODUCTVERSION ${numbers}
FILEOS 0x40004
FILETYPE 0x1
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"FileDescription\", \"${PRODUCT}\"
      VALUE \"FileVersion\", \"${VERSION}\"
      VALUE \"InternalName\", \"vornhollow\"
      VALUE \"LegalCopyright\", \"${copyright}\"
      VALUE \"OriginalFilename\", \"vornhollow.exe\"
      VALUE \"ProductName\", \"${PRODUCT}\"
      VALUE \"ProductVersion\", \"${VERSION}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
file(WRITE "${OUTPUT}" "${script}")
