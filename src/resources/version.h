/* The module's version, in this one place: the version resource (and through it the
   configuration dialog's "Version a.b.c.d" line) and the release package's name
   (scripts/package.sh reads the four numbers below) all take it from here. */
#pragma once
#define ZOV_VERSION_MAJOR 1
#define ZOV_VERSION_MINOR 0
#define ZOV_VERSION_PATCH 0
#define ZOV_VERSION_BUILD 1

#define ZOV_VERSION_STRINGIZE_(x) #x
#define ZOV_VERSION_STRINGIZE(x) ZOV_VERSION_STRINGIZE_(x)
#define ZOV_VERSION_TEXT                                                       \
  ZOV_VERSION_STRINGIZE(ZOV_VERSION_MAJOR) "." ZOV_VERSION_STRINGIZE(ZOV_VERSION_MINOR) "." \
  ZOV_VERSION_STRINGIZE(ZOV_VERSION_PATCH) "." ZOV_VERSION_STRINGIZE(ZOV_VERSION_BUILD)
