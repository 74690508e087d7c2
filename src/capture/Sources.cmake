list(APPEND MIRELON_SOURCES
  capture/CameraDirectory.cpp
  capture/SimulatedCameraDirectory.cpp
)
