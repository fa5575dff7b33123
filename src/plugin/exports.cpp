// The two functions the host finds by name (ordinals 1 and 2, see plugin.def).
#include <new>

#include "plugin/kdv6200_plugin.h"

extern "C" {

plugin::IPlugin2* CreatePluginObject() {
  return new (std::nothrow) plugin::KDV6200Plugin();
}

void DeletePluginObject(plugin::IPlugin2* object) {
  if (object != nullptr) object->DeletingDestructor(1);
}

}  // extern "C"
