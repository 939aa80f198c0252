# Sources of the portable rules (paths relative to the source root).
set(VASK_RULE_SOURCES
  ${CMAKE_SOURCE_DIR}/hotkeys/DecisionTable.cpp
  ${CMAKE_SOURCE_DIR}/hotkeys/CompanionPath.cpp
  ${CMAKE_SOURCE_DIR}/osd/VolumeRules.cpp
  ${CMAKE_SOURCE_DIR}/osd/DisplayOutputRules.cpp
  ${CMAKE_SOURCE_DIR}/osd/BrightnessRules.cpp
  ${CMAKE_SOURCE_DIR}/osd/BatteryRules.cpp
  ${CMAKE_SOURCE_DIR}/osd/OsdPlacement.cpp
  ${CMAKE_SOURCE_DIR}/osd/OsdSettings.cpp
  ${CMAKE_SOURCE_DIR}/osd/PictureScaling.cpp
  ${CMAKE_SOURCE_DIR}/framework/CommandLineRules.cpp
  ${CMAKE_SOURCE_DIR}/app/CloseRequest.cpp
  ${CMAKE_SOURCE_DIR}/app/HookSilence.cpp
  ${CMAKE_SOURCE_DIR}/app/ResidentLife.cpp
)
