# The install tree. Its root is a host installation folder: the module and
# its data sit where the host resolves them by name (Modules/, Meshes/,
# Textures/, Scenarios/). The stand-in host and krvsim come beside them in
# bin/ and lib/ (on Windows both in bin/, where a program finds its DLLs),
# the world's gravity field in Gravity/, and krvsim finds the tree from its
# own location.
#
# Components: "module" (what a host installation needs) and "standin" (the
# stand-in host and its runner), e.g.
#   cmake --install build/default --component module --prefix HOST_FOLDER

install(TARGETS KRV LIBRARY DESTINATION Modules COMPONENT module)
install(FILES
  ${CMAKE_SOURCE_DIR}/data/Meshes/krv/krv.obj
  ${CMAKE_SOURCE_DIR}/data/Meshes/krv/krv.mtl
  DESTINATION Meshes/krv COMPONENT module)
# The exhaust textures the module names; the mesh's materials use none.
install(FILES
  ${CMAKE_SOURCE_DIR}/data/Textures/exhaust.png
  ${CMAKE_SOURCE_DIR}/data/Textures/exhaust_atrcs.png
  DESTINATION Textures COMPONENT module)
file(GLOB KRV_SAMPLE_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/Scenarios/*.scn)
install(FILES ${KRV_SAMPLE_SCENARIOS} DESTINATION Scenarios COMPONENT module)
# Installed into a host's folder (a module built against the host's kit)
# the guide and licence keep to a folder of their own, clear of other
# add-ons' files; the stand-in's tree is KRV's own.
set(KRV_DOC_DESTINATION .)
if(KRV_HOST_SDK_INCLUDE)
  set(KRV_DOC_DESTINATION Doc/KRV)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/docs/README-player.md
  DESTINATION ${KRV_DOC_DESTINATION} COMPONENT module)

if(TARGET krvsim)
  # The host library beside the program's folder, found through RPATH.
  set_target_properties(krvsim PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
  install(TARGETS krvsim RUNTIME DESTINATION bin COMPONENT standin)
  install(TARGETS zenthar_host
    LIBRARY DESTINATION lib COMPONENT standin
    RUNTIME DESTINATION bin COMPONENT standin)
  # The Earth's gravity field, which --forces reads from the tree's Gravity/.
  install(FILES ${CMAKE_SOURCE_DIR}/data/Gravity/egm2008_deg20.gfc DESTINATION Gravity
    COMPONENT standin)
  # The viewer's page, which krvsim --replay fills; built only where node is.
  if(TARGET replay_template)
    install(FILES ${CMAKE_BINARY_DIR}/viewer/replay_template.html DESTINATION share/krv
      COMPONENT standin)
  endif()
endif()
