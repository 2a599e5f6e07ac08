// Numbers of the string resources both plug-in libraries carry. Included by the resource
// scripts and by the code, so the two always agree.
#ifndef MSH_PLUGIN_PLUGINRESOURCES_H
#define MSH_PLUGIN_PLUGINRESOURCES_H

#define IDS_LIBDESCRIPTION 1
#define IDS_CATEGORY 2
#define IDS_CLASS_NAME 3
#define IDS_PARAMS 4
#define IDS_SPIN 5

#endif
