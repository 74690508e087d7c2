list(APPEND MIRELON_SOURCES
  app/Startup.cpp
)
