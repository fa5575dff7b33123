/* The module's file and product version, used by the version resource. */
#pragma once
#define ZOV_VERSION_MAJOR 1
#define ZOV_VERSION_MINOR 0
#define ZOV_VERSION_PATCH 0
#define ZOV_VERSION_BUILD 1
#define ZOV_VERSION_TEXT "1.0.0.1"
