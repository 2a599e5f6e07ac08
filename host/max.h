// Everything of the host SDK that the plug-ins use.
#ifndef HOST_MAX_H
#define HOST_MAX_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/GMatrix.h"
#include "host/Geometry.h"
#include "host/IGame.h"
#include "host/INode.h"
#include "host/Interface.h"
#include "host/Materials.h"
#include "host/MaxHeap.h"
#include "host/MaxString.h"
#include "host/MaxTypes.h"
#include "host/Mesh.h"
#include "host/Objects.h"
#include "host/PlugApi.h"
#include "host/Skin.h"
#include "host/Tab.h"
#include "host/WinApi.h"
#else

#include "host/Control.h"
#include "host/GMatrix.h"
#include "host/Geometry.h"
#include "host/IGame.h"
#include "host/INode.h"
#include "host/Interface.h"
#include "host/Materials.h"
#include "host/MaxHeap.h"
#include "host/MaxString.h"
#include "host/MaxTypes.h"
#include "host/Mesh.h"
#include "host/Objects.h"
#include "host/PlugApi.h"
#include "host/Skin.h"
#include "host/Tab.h"
#include "host/WinApi.h"

#endif // MSH_REAL_SDK

#endif
