# The release archives, made by cpack in a build folder (scripts/package):
#   KRV-<version>-linux-x86_64.tar.gz   module, data, stand-in host, krvsim
#   KRV-<version>-windows-x64.zip       the same, built with mingw-w64
# Each unpacks into a folder of its own name.
set(CPACK_PACKAGE_NAME KRV)
set(CPACK_PACKAGE_VENDOR "The KRV developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KRV vessel module for the Zenthar space-flight simulator")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(KRV_PACKAGE_PLATFORM windows-x64)
  set(CPACK_GENERATOR ZIP)
else()
  set(KRV_PACKAGE_PLATFORM linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_FILE_NAME KRV-${PROJECT_VERSION}-${KRV_PACKAGE_PLATFORM})
include(CPack)
