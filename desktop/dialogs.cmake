# velmora_desktop_dialogs: the desktop manager's windows that do not need the main window
# (handheld backup and restore, the Backup Restore dialog, categories, the rename dialog, the
# Sync log window and the Help command, the "What is this" window) with the Qt-free rules they show.
# Included from desktop/CMakeLists.txt (and by the tests when the desktop folder is not yet).
if(NOT VELMORA_QT)
  return()
endif()
find_package(Qt6 COMPONENTS Widgets REQUIRED)

set(velmora_dialogs_dir ${CMAKE_SOURCE_DIR}/desktop)
add_library(velmora_desktop_dialogs STATIC
  ${velmora_dialogs_dir}/backup_restore_dialog.cpp
  ${velmora_dialogs_dir}/backup_restore_model.cpp
  ${velmora_dialogs_dir}/backup_restore_rows.cpp
  ${velmora_dialogs_dir}/categories_dialog.cpp
  ${velmora_dialogs_dir}/categories_model.cpp
  ${velmora_dialogs_dir}/conduit_log_text.cpp
  ${velmora_dialogs_dir}/category_name_dialog.cpp
  ${velmora_dialogs_dir}/device_contacts_backup.cpp
  ${velmora_dialogs_dir}/device_contacts_backup_progress.cpp
  ${velmora_dialogs_dir}/help_commands.cpp
  ${velmora_dialogs_dir}/rename_profile.cpp
  ${velmora_dialogs_dir}/rename_profile_dialog.cpp
  ${velmora_dialogs_dir}/sync_log_window.cpp
  ${velmora_dialogs_dir}/table_restore.cpp
  ${velmora_dialogs_dir}/what_is_this_texts.cpp
  ${velmora_dialogs_dir}/what_is_this_window.cpp)
set_target_properties(velmora_desktop_dialogs PROPERTIES AUTOMOC ON)
target_include_directories(velmora_desktop_dialogs PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(velmora_desktop_dialogs PUBLIC
  velmora_grid velmora_profile_store velmora_db velmora_transfer velmora_device velmora_prompt
  velmora_text Qt6::Widgets)

# The user guide lives beside the programs in the application folder.
configure_file(${CMAKE_SOURCE_DIR}/docs/Contacts_UserGuide.html
               ${VELMORA_SHARE_DIR}/Contacts_UserGuide.html COPYONLY)
