# Run by cpack's External generator in the Windows build: turns the staged
# install tree into Quorvel-<version>-win64.msi with wixl. wixl takes file
# names relative to the .wxs file, so both folders are given that way.
get_filename_component(_wxsDir "${CPACK_QV_WXS}" DIRECTORY)
file(RELATIVE_PATH _stage "${_wxsDir}" "${CPACK_TEMPORARY_DIRECTORY}")
file(RELATIVE_PATH _icon "${_wxsDir}" "${CPACK_QV_ICON}")
set(_msi "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
execute_process(
  COMMAND "${CPACK_QV_WIXL}" --arch x64
          -D "Version=${CPACK_QV_MSI_VERSION}" -D "StageDir=${_stage}" -D "IconFile=${_icon}"
          -o "${_msi}" "${CPACK_QV_WXS}"
  RESULT_VARIABLE _failed)
if(_failed)
  message(FATAL_ERROR "wixl could not make ${_msi}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${_msi}")
