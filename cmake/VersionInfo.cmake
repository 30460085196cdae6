# The VERSIONINFO resource of every program. The file and product version come from the project
# version, the one place a release changes it (scripts/version.sh reads it for scripts).
set(BRIVANE_PRODUCT_NAME "Tavrel Bank brivane")
set(BRIVANE_COMPANY_NAME "Tavrel Bank")
set(BRIVANE_COPYRIGHT_GERMAN "© 2026 Tavrel Bank. Alle Rechte vorbehalten.")
set(BRIVANE_COPYRIGHT_ENGLISH "© 2026 Tavrel Bank. All rights reserved.")

# FILEVERSION takes four numbers; the parts the project version leaves out are 0. The list is
# also what the installer tests derive their newer package version from.
set(BRIVANE_VERSION_PARTS)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND BRIVANE_VERSION_PARTS 0)
  else()
    list(APPEND BRIVANE_VERSION_PARTS ${PROJECT_VERSION_${part}})
  endif()
endforeach()
string(REPLACE ";" "," BRIVANE_VERSION_COMMAS "${BRIVANE_VERSION_PARTS}")

# brivane_version_info(<program> <German description> <English description>)
# Adds the version resource to a program; the descriptions say in a few words what it is.
function(brivane_version_info target german english)
  set(VERSION_TARGET ${target})
  set(VERSION_FILE_NAME ${target}.exe)
  set(VERSION_COMMAS ${BRIVANE_VERSION_COMMAS})
  set(VERSION_DESCRIPTION_GERMAN "${german}")
  set(VERSION_DESCRIPTION_ENGLISH "${english}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
