// The plug-in records the view reads: the instance and its document record, and the module
// handle.
#pragma once

#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/PluginInstance.h"
