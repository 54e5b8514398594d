# What the package needs at run time beyond the libraries its programs link,
# which dpkg-shlibdeps reads from the programs: NEBU_RUNTIME_DEPENDS.

# libarchive is opened by file name when an archive is first read
# (src/platform/LibArchive.h), so the programs do not name it and
# dpkg-shlibdeps cannot see it. Its dependency comes from where
# dpkg-shlibdeps would take it for a linked library: the shlibs entry of the
# package that installs that file ("libarchive 13 libarchive13 (>= 3.6.2)").
function(nebu_opened_library_depends out header)
    file(STRINGS ${header} line REGEX "kFileName = \"[^\"]+\"")
    if(NOT line MATCHES "\"(([^\"/]+)\\.so\\.([0-9]+))\"")
        message(FATAL_ERROR "${header}: no library file name \"libNAME.so.N\" in kFileName")
    endif()
    set(file ${CMAKE_MATCH_1})
    set(shlibs_key "${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
    set(${out} "" PARENT_SCOPE)
    find_program(NEBU_DPKG_QUERY dpkg-query)
    if(NOT NEBU_DPKG_QUERY)
        message(STATUS "No dpkg-query: the package will not depend on ${file}")
        return()
    endif()
    execute_process(COMMAND ${NEBU_DPKG_QUERY} -S "*/${file}"
        OUTPUT_VARIABLE owners RESULT_VARIABLE failed ERROR_QUIET)
    if(failed OR NOT owners MATCHES "^([^:,\n]+)")
        message(WARNING "No installed Debian package holds ${file}: the package will not depend on it")
        return()
    endif()
    set(owner ${CMAKE_MATCH_1})
    execute_process(COMMAND ${NEBU_DPKG_QUERY} --control-show ${owner} shlibs
        OUTPUT_VARIABLE shlibs RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND shlibs MATCHES "(^|\n)${shlibs_key} ([^\n]+)")
        set(${out} "${CMAKE_MATCH_2}" PARENT_SCOPE)
    else()
        set(${out} "${owner}" PARENT_SCOPE)
    endif()
endfunction()

nebu_opened_library_depends(NEBU_LIBARCHIVE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/LibArchive.h)
set(NEBU_RUNTIME_DEPENDS ${NEBU_LIBARCHIVE_DEPENDS})
if(NEBU_BUILD_GUI)
    # Read, not linked: Qt's Japanese texts for the standard dialogs, and the
    # Japanese font the windows fall back to.
    list(APPEND NEBU_RUNTIME_DEPENDS qt6-translations-l10n fonts-noto-cjk)
endif()
