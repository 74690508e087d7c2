list(APPEND MIRELON_SOURCES
  platform/Logging.cpp
  platform/NotificationCenter.cpp
  platform/Scheduler.cpp
  platform/UserDefaults.cpp
)
list(APPEND MIRELON_SOURCES platform/GstCameraDirectory.cpp)
