# What keeps the build short on a small machine. Every file of the window
# and of the tests that drive it reads the same large headers: the window's
# generated form, QCustomPlot's and Qt's widget headers, and QtTest with all
# of QtCore, about three seconds a file before it compiles a line of its own.
# velumix_precompile_headers(), called once after every directory has been
# added, gives each group of targets that see the same libraries and Qt's
# widgets one precompiled header, compiled once and reused by every target of
# the group (target_precompile_headers REUSE_FROM). A group is found from
# each target's usage requirements, so no add_library() or add_executable()
# needs to name it, and a renamed or moved target finds its group by itself.
# Targets without widgets read too few headers for a precompiled header of a
# hundred megabytes and more to pay for its loading, and get none.
#
# A precompiled header is only valid for the compile definitions and options
# it was made with (GCC silently reads the headers again otherwise, and
# -Winvalid-pch, which CMake adds, says so): the group is keyed by exactly
# what decides them, the imported libraries (Qt modules, pkg-config
# libraries) and the interface definitions and options of our own libraries
# that a target sees.

option(VELUMIX_PRECOMPILED_HEADERS "Precompile the widget headers once for each group of targets" ON)

# The headers precompiled for a group that sees the given imported libraries:
# those the window's files and its generated form read.
function(_velumix_group_headers imported out)
    set(headers <algorithm> <array> <functional> <memory> <optional> <vector>
        <QByteArray> <QDir> <QFile> <QFileInfo> <QJsonArray> <QJsonDocument> <QJsonObject>
        <QLoggingCategory> <QPointer> <QString> <QStringList> <QThread> <QTimer> <QVariant>
        <QIcon> <QApplication> <QButtonGroup> <QCheckBox> <QGroupBox> <QHBoxLayout> <QLabel>
        <QLineEdit> <QMainWindow> <QMenu> <QMessageBox> <QMovie> <QPushButton> <QRadioButton>
        <QScrollArea> <QSlider> <QSpacerItem> <QSystemTrayIcon> <QTabWidget> <QTextEdit>
        <QToolTip> <QVBoxLayout> <QWidget>)
    if(Qt5::Multimedia IN_LIST imported)
        list(APPEND headers <QMediaPlayer>)
    endif()
    if(QCustomPlot::QCustomPlot IN_LIST imported)
        list(APPEND headers <qcustomplot.h>)
    endif()
    # All of QtCore: every test includes it through <QtTest>.
    if(Qt5::Test IN_LIST imported)
        list(APPEND headers <QtTest>)
    endif()
    set(${out} ${headers} PARENT_SCOPE)
endfunction()

# What decides how TARGET's sources are compiled, beyond the build's own
# flags: the imported libraries it sees (its own links and, through our
# libraries, their public ones), our libraries' interface definitions and
# options, and its own definitions of Qt's switches.
function(_velumix_usage_key target imported_out definitions_out options_out)
    get_target_property(queue ${target} LINK_LIBRARIES)
    if(NOT queue)
        set(queue "")
    endif()
    set(seen "")
    set(imported "")
    set(definitions "")
    set(options "")
    get_target_property(own_definitions ${target} COMPILE_DEFINITIONS)
    foreach(definition ${own_definitions})
        if(definition MATCHES "^QT_")
            list(APPEND definitions ${definition})
        endif()
    endforeach()
    # Beyond the options every target has from the top folder.
    get_target_property(own_options ${target} COMPILE_OPTIONS)
    get_directory_property(common_options DIRECTORY ${CMAKE_SOURCE_DIR} COMPILE_OPTIONS)
    foreach(option ${own_options})
        if(NOT option IN_LIST common_options)
            list(APPEND options ${option})
        endif()
    endforeach()
    while(queue)
        list(POP_FRONT queue item)
        # A private dependency of a static library is linked, but its usage
        # requirements do not reach the dependents.
        if(item MATCHES "^\\$<LINK_ONLY:" OR item IN_LIST seen)
            continue()
        endif()
        # A library imported in one folder only (pkg_check_modules without
        # GLOBAL) cannot be looked into from here: no group for this target.
        if(NOT TARGET ${item})
            if(item MATCHES "::")
                set(${imported_out} "" PARENT_SCOPE)
                return()
            endif()
            continue()
        endif()
        list(APPEND seen ${item})
        get_target_property(aliased ${item} ALIASED_TARGET)
        if(aliased)
            list(APPEND queue ${aliased})
            continue()
        endif()
        get_target_property(is_imported ${item} IMPORTED)
        if(is_imported)
            list(APPEND imported ${item})
        else()
            foreach(property INTERFACE_COMPILE_DEFINITIONS INTERFACE_COMPILE_OPTIONS)
                get_target_property(values ${item} ${property})
                if(values AND property STREQUAL "INTERFACE_COMPILE_DEFINITIONS")
                    list(APPEND definitions ${values})
                elseif(values)
                    list(APPEND options ${values})
                endif()
            endforeach()
        endif()
        get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND queue ${interface})
        endif()
    endwhile()
    foreach(list imported definitions options)
        list(REMOVE_DUPLICATES ${list})
        list(SORT ${list})
    endforeach()
    set(${imported_out} "${imported}" PARENT_SCOPE)
    set(${definitions_out} "${definitions}" PARENT_SCOPE)
    set(${options_out} "${options}" PARENT_SCOPE)
endfunction()

# Every C++ target below DIRECTORY, this one included.
function(_velumix_targets_below directory out)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory ${subdirectories})
        _velumix_targets_below(${subdirectory} below)
        list(APPEND targets ${below})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The number of C++ files TARGET compiles (its moc file counts as one).
function(_velumix_compiled_sources target out)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.(cpp|cc|cxx|qrc)$")
    list(LENGTH sources count)
    get_target_property(automoc ${target} AUTOMOC)
    if(automoc)
        math(EXPR count "${count} + 1")
    endif()
    set(${out} ${count} PARENT_SCOPE)
endfunction()

function(velumix_precompile_headers)
    if(NOT VELUMIX_PRECOMPILED_HEADERS)
        return()
    endif()
    _velumix_targets_below(${CMAKE_SOURCE_DIR} targets)
    set(keys "")
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|MODULE_LIBRARY)$")
            continue()
        endif()
        get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
        get_target_property(own ${target} PRECOMPILE_HEADERS)
        if(reused OR own)
            continue()
        endif()
        _velumix_usage_key(${target} imported definitions options)
        if(NOT Qt5::Widgets IN_LIST imported)
            continue()
        endif()
        string(MD5 key "${imported}|${definitions}|${options}")
        if(NOT key IN_LIST keys)
            list(APPEND keys ${key})
            set(group_${key}_imported "${imported}")
            set(group_${key}_definitions "${definitions}")
            set(group_${key}_options "${options}")
            set(group_${key}_targets "")
            set(group_${key}_sources 0)
        endif()
        _velumix_compiled_sources(${target} count)
        list(APPEND group_${key}_targets ${target})
        math(EXPR group_${key}_sources "${group_${key}_sources} + ${count}")
        # The group's largest library without definitions of its own makes
        # the header while it compiles (the header is made with exactly the
        # definitions the group shares).
        get_target_property(own_definitions ${target} COMPILE_DEFINITIONS)
        if(type MATCHES "^(STATIC|OBJECT)_LIBRARY$" AND NOT own_definitions)
            if(NOT DEFINED group_${key}_host OR count GREATER group_${key}_host_sources)
                set(group_${key}_host ${target})
                set(group_${key}_host_sources ${count})
            endif()
        endif()
    endforeach()

    set(index 0)
    foreach(key ${keys})
        # Making the header costs about as much as reading the headers four
        # times over.
        if(group_${key}_sources LESS 6)
            continue()
        endif()
        _velumix_group_headers("${group_${key}_imported}" headers)
        if(DEFINED group_${key}_host)
            set(host ${group_${key}_host})
        else()
            # No library to make it: a target of its own, whose one source
            # is empty.
            math(EXPR index "${index} + 1")
            set(host velumix_precompiled_${index})
            set(stub ${CMAKE_BINARY_DIR}/precompiled/stub.cpp)
            file(CONFIGURE OUTPUT ${stub} CONTENT "// Only makes the precompiled header.\n")
            add_library(${host} OBJECT EXCLUDE_FROM_ALL ${stub})
            set_target_properties(${host} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
            target_link_libraries(${host} PRIVATE ${group_${key}_imported})
            target_compile_definitions(${host} PRIVATE ${group_${key}_definitions})
            target_compile_options(${host} PRIVATE ${group_${key}_options})
        endif()
        target_precompile_headers(${host} PRIVATE ${headers})
        list(REMOVE_ITEM group_${key}_targets ${host})
        foreach(target ${host} ${group_${key}_targets})
            if(NOT target STREQUAL host)
                target_precompile_headers(${target} REUSE_FROM ${host})
            endif()
            # A program's moc file is all but empty (a test includes its moc
            # output in its own source): loading the header would cost more
            # than the file.
            get_target_property(type ${target} TYPE)
            get_target_property(automoc ${target} AUTOMOC)
            if(type STREQUAL "EXECUTABLE" AND automoc)
                get_target_property(binary_dir ${target} BINARY_DIR)
                set_source_files_properties(${binary_dir}/${target}_autogen/mocs_compilation.cpp
                    TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
            endif()
        endforeach()
    endforeach()
endfunction()
