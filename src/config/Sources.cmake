list(APPEND MIRELON_SOURCES
  config/AppSettings.cpp
  config/CameraAppearanceSettings.cpp
  config/CameraDeviceConfiguration.cpp
  config/CameraDeviceSettingsStore.cpp
  config/ColorCodec.cpp
  config/Preferences.cpp
)
